#pragma once
// The body of a node box, under its title.

#include "tes_frame.h"

namespace zelkor {
namespace tessel {

class BoxFrame : public Frame {
 public:
  BoxFrame();
  Control* clone() const override { return new BoxFrame; }
};

}  // namespace tessel
}  // namespace zelkor
