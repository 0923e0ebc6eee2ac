#pragma once
// The body of a window: a frame holding the window's content.

#include "tes_frame.h"

namespace zelkor {
namespace tessel {

class WindowFrame : public Frame {
 public:
  WindowFrame();
  Control* clone() const override { return new WindowFrame; }
};

}  // namespace tessel
}  // namespace zelkor
