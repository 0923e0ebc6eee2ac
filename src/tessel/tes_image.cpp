#include "tes_image.h"

#include "am.h"
#include "dis_display.h"
#include "dis_glinclude.h"
#include "dis_resource.h"
#include "tes_paint.h"
#include "xml_tag.h"
#include "zlk_system.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;

Image::Image() : mTexture(nullptr), mOwnTexture(false), mLoaded(false) { mType = "image"; }

Image::~Image() { release(); }

void Image::release() {
  if (mTexture && mOwnTexture) mTexture->destroy();
  mTexture = nullptr;
  mOwnTexture = false;
  mLoaded = false;
}

void Image::load(xml::IteratorConst& it) {
  Control::load(it);
  if (it->hasValue("filename")) loadFile(it->getValue("filename"));
}

bool Image::loadFile(const std::string& filename) {
  release();
  mFilename = filename;
  display::DisplayGL* pDisplay = getDisplay();
  am::ArchiveManager* archive = pDisplay ? pDisplay->getArchive() : nullptr;
  if (!archive) {
    ZLK_LOG("warning", "app", "Image '%s': no display to load it with", filename.c_str());
    return false;
  }
  // decoded now, so that a missing or broken file is told here and not
  // thrown in the middle of a frame
  am::Image picture;
  try {
    picture = archive->loadImage(filename);
  } catch (const Exception&) {
    picture = am::Image();
  }
  if (picture.isNull()) {
    ZLK_LOG("warning", "app", "Image '%s' could not be read; shown as a crossed box", filename.c_str());
    return false;
  }
  display::TextureDeclaration decl;
  decl.useMipmaps = false;
  decl.repeatMode = 0;
  mTexture = pDisplay->createTexture(picture, decl);
  mOwnTexture = mTexture != nullptr;
  mLoaded = mTexture != nullptr;
  return mLoaded;
}

void Image::setTexture(display::Texture* texture) {
  release();
  mTexture = texture;
  mOwnTexture = false;
  mLoaded = texture != nullptr;
}

void Image::draw(Area area, Area base, Area clip) {
  Render* render = getRender();
  display::DisplayGL* pDisplay = getDisplay();
  if (render && pDisplay && mTexture) {
    render->flush();
    pDisplay->setTexture(mTexture, 0);
    GL_CHECK(glEnable(GL_TEXTURE_2D));
    // untinted unless the style asks for a tint
    const mathbase::Vector4f& tint = mStyle.mText.mColor1.w > 0.0f ? mStyle.mText.mColor1 : mathbase::Vector4f(1, 1, 1, 1);
    glColor4f(tint.x, tint.y, tint.z, tint.w);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(area.mMin.x, area.mMin.y);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(area.mMax.x, area.mMin.y);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(area.mMax.x, area.mMax.y);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(area.mMin.x, area.mMax.y);
    glEnd();
    GL_CHECK(glDisable(GL_TEXTURE_2D));
    pDisplay->setTexture(nullptr, 0);
  } else if (render && !mFilename.empty()) {
    // a picture that did not load
    render->setColor(mStyle.mBack.mBorder1.w > 0.0f ? mStyle.mBack.mBorder1 : mathbase::Vector4f(0.8f, 0.2f, 0.2f, 1.0f));
    render->drawBorder(area);
    render->drawLine(area.mMin + Vector2f(0.5f, 0.5f), area.mMax - Vector2f(0.5f, 0.5f));
    render->drawLine(Vector2f(area.mMin.x + 0.5f, area.mMax.y - 0.5f), Vector2f(area.mMax.x - 0.5f, area.mMin.y + 0.5f));
  }
  Control::draw(area, base, clip);
}

}  // namespace tessel
}  // namespace zelkor
