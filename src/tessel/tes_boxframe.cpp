#include "tes_boxframe.h"

namespace zelkor {
namespace tessel {

BoxFrame::BoxFrame() { mType = "boxframe"; }

}  // namespace tessel
}  // namespace zelkor
