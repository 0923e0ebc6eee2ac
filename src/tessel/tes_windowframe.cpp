#include "tes_windowframe.h"

namespace zelkor {
namespace tessel {

WindowFrame::WindowFrame() { mType = "windowframe"; }

}  // namespace tessel
}  // namespace zelkor
