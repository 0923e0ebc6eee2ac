#pragma once
// Video files: frames read from or written to a file, one picture at a time,
// through whichever implementation can handle the file.

#include <string>

#include "am_image.h"

namespace zelkor {
namespace am {

class ArchiveManager;

class VideoFile {
 public:
  struct Format {
    Format() : width(0), height(0), frameRate(0), frameRateBase(1) {}
    Format(int pWidth, int pHeight, int pFrameRate)
        : width(pWidth), height(pHeight), frameRate(pFrameRate), frameRateBase(1) {}
    int width;
    int height;
    int frameRate;  // frames per frameRateBase seconds
    int frameRateBase;
  };

  virtual ~VideoFile() {}
  // The picture frames are taken from (writing) or put into (reading); the
  // caller refills it before each writeFrame().
  virtual void attach(Image& image) = 0;
  virtual bool readFrame() { return false; }
  virtual void writeFrame() {}
  // The number the next written frame gets (a dump that begins later in
  // the demo numbers its frames by their place in the whole).
  virtual void setFrameNumber(int) {}
  virtual Format getFormat() = 0;
  virtual int getWidth() = 0;
  virtual int getHeight() = 0;
  virtual bool openForRead(const std::string& filename) = 0;
  virtual bool openForRead(const unsigned char* buffer, int bufferLength);
  virtual bool openForWrite(const std::string& filename, const Format& format, ArchiveManager* archive) = 0;
  // Finishes what is still being written and lets go of the picture; false
  // when some frame could not be written.
  virtual bool close() { return true; }
  // A frame could not be written (its name in getFailedFrame()); the frames
  // after it are not written either, those before it are.
  virtual bool hasFailed() const { return false; }
  virtual std::string getFailedFrame() const { return std::string(); }

  // The first implementation that opens the file; the caller owns it.
  static VideoFile* createForRead(const std::string& filename);
  static VideoFile* createForRead(const unsigned char* buffer, int bufferLength);
  static VideoFile* createForWrite(const std::string& filename, const Format& format, ArchiveManager* archive);

 private:
  // Implementation `index` of the registry, or null past its end.
  static VideoFile* createImplementation(int index);
};

}  // namespace am
}  // namespace zelkor
