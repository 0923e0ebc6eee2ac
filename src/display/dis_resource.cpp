#include "dis_resource.h"

#include "dis_display.h"
#include "dis_glinclude.h"

namespace zelkor {
namespace display {

Resource::Resource(DisplayGL* pDisplay) : mDisplay(pDisplay), mDisposed(true), mReferences(1) {
  DIS_ASSERT(pDisplay != nullptr);
  mDisplay->getResources().insert(this);
}

Resource::~Resource() { mDisplay->getResources().erase(this); }

void Resource::destroy() { mDisplay->destroy(this); }

bool Resource::canLoad() const { return mDisplay->getArchive() != nullptr; }

}  // namespace display
}  // namespace zelkor
