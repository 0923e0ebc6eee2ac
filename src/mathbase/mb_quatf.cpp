#include "mb_quatf.h"

namespace zelkor {
namespace mathbase {

template class Quat<float>;

}  // namespace mathbase
}  // namespace zelkor
