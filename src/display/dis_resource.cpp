#include "dis_resource.h"

#include <tuple>

#include "am_imagemanager.h"
#include "dis_display.h"
#include "dis_glinclude.h"
#include "zlk_system.h"

namespace zelkor {
namespace display {

Resource::Resource(DisplayGL* pDisplay) : mDisplay(pDisplay), mDisposed(true), mReferences(1) {
  DIS_ASSERT(pDisplay != nullptr);
  mDisplay->getResources().insert(this);
}

Resource::~Resource() { mDisplay->getResources().erase(this); }

void Resource::destroy() { mDisplay->destroy(this); }

bool Resource::canLoad() const { return mDisplay->getArchive() != nullptr; }

am::File Resource::loadFile(const std::string& filename) {
  am::ArchiveManager* archive = mDisplay->getArchive();
  if (!archive) throw Exception("Display::Resource; This resource can not load files (when loading '%s')", filename.c_str());
  am::File file = archive->readFile(filename, -1);
  if (file.isNull()) throw Exception("Display::Resource; File '%s' could not be read", filename.c_str());
  return file;
}

am::Image Resource::loadImage(const std::string& filename, bool uniqueAccess) {
  am::ArchiveManager* archive = mDisplay->getArchive();
  if (!archive) {
    throw Exception("Display::Resource; This resource can not load files (when loading image '%s')", filename.c_str());
  }
  try {
    return archive->loadImage(filename, -1, uniqueAccess);
  } catch (const Exception& e) {
    throw Exception("Display::Resource; Could not read (or decode) image '%s' (am msg was '%s')", filename.c_str(), e.what());
  }
}

am::Image Resource::loadImage(const std::string& filename, const unsigned char* buf, long bufLen) {
  am::ArchiveManager* archive = mDisplay->getArchive();
  if (!archive) {
    throw Exception("Display::Resource; This resource can not load files (when loading image '%s')", filename.c_str());
  }
  // The record borrows the caller's bytes; it must let go of them before it
  // is destroyed, whatever the decoder does.
  am::File file(new am::FileStructure(filename, bufLen, const_cast<unsigned char*>(buf)));
  struct Lend {
    am::File& file;
    ~Lend() { file->data = nullptr; }
  } lend{file};
  try {
    return archive->getImageManager()->loadImage(filename, file, false);
  } catch (const Exception& e) {
    throw Exception("Display::Resource; Could not read (or decode) image '%s' (am msg was '%s')", filename.c_str(), e.what());
  }
}

bool Texture::TextureDeclaration::operator<(const TextureDeclaration& o) const {
  return std::tie(width, height, channelType, channelFormat, target, repeatMode, useMipmaps, blendMipmaps) <
         std::tie(o.width, o.height, o.channelType, o.channelFormat, o.target, o.repeatMode, o.useMipmaps, o.blendMipmaps);
}

bool Texture::TextureDeclaration::operator==(const TextureDeclaration& o) const {
  return std::tie(width, height, channelType, channelFormat, target, repeatMode, useMipmaps, blendMipmaps) ==
         std::tie(o.width, o.height, o.channelType, o.channelFormat, o.target, o.repeatMode, o.useMipmaps, o.blendMipmaps);
}

}  // namespace display
}  // namespace zelkor
