#include "am_videofile.h"

#include <memory>

#include "am_videofile_imagedumper.h"
#include "zlk_system.h"

namespace zelkor {
namespace am {

bool VideoFile::openForRead(const unsigned char* /*buffer*/, int /*bufferLength*/) { return false; }

VideoFile* VideoFile::createImplementation(int index) {
  switch (index) {
    case 0:
      return new VideoFileImageDumper();
    default:
      return nullptr;
  }
}

VideoFile* VideoFile::createForRead(const std::string& filename) {
  for (int i = 0;; ++i) {
    std::unique_ptr<VideoFile> file(createImplementation(i));
    if (!file) break;
    if (file->openForRead(filename)) return file.release();
  }
  throw Exception("Could not find something that could read from '%s'", filename.c_str());
}

VideoFile* VideoFile::createForRead(const unsigned char* buffer, int bufferLength) {
  for (int i = 0;; ++i) {
    std::unique_ptr<VideoFile> file(createImplementation(i));
    if (!file) break;
    if (file->openForRead(buffer, bufferLength)) return file.release();
  }
  throw Exception("Could not find something that could read from buffer");
}

VideoFile* VideoFile::createForWrite(const std::string& filename, const Format& format, ArchiveManager* archive) {
  for (int i = 0;; ++i) {
    std::unique_ptr<VideoFile> file(createImplementation(i));
    if (!file) break;
    if (file->openForWrite(filename, format, archive)) return file.release();
  }
  throw Exception("Could not find something that could write to '%s'", filename.c_str());
}

}  // namespace am
}  // namespace zelkor
