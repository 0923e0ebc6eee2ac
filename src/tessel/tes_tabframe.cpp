#include "tes_tabframe.h"

#include "xml_tag.h"

namespace zelkor {
namespace tessel {

TabFrame::TabFrame() : mCaptionWidth(0.0f) { mType = "tabframe"; }

void TabFrame::load(xml::IteratorConst& it) {
  Frame::load(it);
  if (it->hasValue("caption")) setCaption(it->getValue("caption"));
}

}  // namespace tessel
}  // namespace zelkor
