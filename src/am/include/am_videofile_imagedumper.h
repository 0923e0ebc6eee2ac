#pragma once
// Writes every frame as a numbered PNG file ("name.000000.png", ...) into the
// first archive of an archive manager. Frames are encoded and written by a
// few writer threads while the caller draws the next one; a bounded queue
// keeps the memory flat when the writers fall behind.

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "am_imagecodec_png.h"
#include "am_videofile.h"

namespace zelkor {
namespace am {

class VideoFileImageDumper : public VideoFile {
 public:
  struct Settings {
    ImageCodecPNG::Compression compression;
    int threads = 0;  // 0: writeFrame() encodes and writes the frame itself
    int queue = 0;    // frames waiting for a writer, at most
  };
  // Fast compression and one writer per core.
  static Settings defaultSettings();

  // Frame names are composed in a buffer of this many bytes.
  static const int kMaxNameLength = 1024;

  VideoFileImageDumper();
  explicit VideoFileImageDumper(const Settings& settings);
  ~VideoFileImageDumper() override;
  VideoFileImageDumper(const VideoFileImageDumper&) = delete;
  VideoFileImageDumper& operator=(const VideoFileImageDumper&) = delete;

  // Accepts "<base>.png" with a base that leaves room for every frame
  // number in the name buffer; false for anything else or without archive.
  bool openForWrite(const std::string& filename, const Format& format, ArchiveManager* archive) override;
  bool openForRead(const std::string&) override { return false; }
  using VideoFile::openForRead;
  void attach(Image& image) override;
  // Queues the attached picture as the next numbered frame (copied: the
  // caller may refill the picture at once). Nothing more is taken once a
  // frame failed.
  void writeFrame() override;
  // Also logs the earliest frame that could not be written, once.
  bool close() override;
  bool hasFailed() const override;
  std::string getFailedFrame() const override;

  Format getFormat() override { return mFormat; }
  int getWidth() override { return mFormat.width; }
  int getHeight() override { return mFormat.height; }

  // "<base>.<number, at least six digits>.<extension>"
  std::string getFrameName(int number) const;
  // The number of the next frame; frames written so far.
  int getFrameNumber() const { return mFrameNumber; }
  void setFrameNumber(int number) override { mFrameNumber = number; }
  const Settings& getSettings() const { return mSettings; }

 private:
  struct Job {
    int number = 0;
    std::string name;
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
  };

  // Encodes and writes the frame (its pixels are reordered on the way).
  bool write(Job& job) const;
  void writerLoop();
  // Waits until every queued frame is written (or dropped after a failure).
  void drain();
  // With the lock held.
  void recordFailure(const Job& job);
  // Logs the failure once, on the caller's thread.
  void reportFailure();

  ArchiveManager* mArchive;
  Format mFormat;
  int mFrameNumber;
  std::string mFilename;   // without the extension
  std::string mExtension;  // without the dot
  Image mImage;
  Settings mSettings;
  ImageCodecPNG mCodec;

  mutable std::mutex mMutex;
  std::condition_variable mWork;  // a frame was queued, or the writers stop
  std::condition_variable mDone;  // a frame was written
  std::deque<std::unique_ptr<Job>> mQueue;
  std::vector<std::unique_ptr<Job>> mSpare;  // buffers to reuse
  int mBusy;  // frames the writers hold
  bool mStopping;
  int mFailedNumber;         // the earliest frame that could not be written, or -1
  std::string mFailedFrame;  // its name
  bool mFailureReported;
  std::vector<std::thread> mWriters;
};

}  // namespace am
}  // namespace zelkor
