#include "tes_container.h"

namespace zelkor {
namespace tessel {

Container::Container() { mType = "container"; }

}  // namespace tessel
}  // namespace zelkor
