#include "am_videofile_imagedumper.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>

#include "am.h"
#include "zlk_system.h"

namespace zelkor {
namespace am {

namespace {

// What a frame name adds to the file name: the widest frame number, its dot
// and the terminator.
const int kNumberRoom = 10 + 1 + 1;

bool isSeparator(char c) { return c == '/' || c == '\\'; }

bool isPng(const std::string& extension) {
  std::string lower = extension;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower == "png";
}

}  // namespace

VideoFileImageDumper::Settings VideoFileImageDumper::defaultSettings() {
  Settings settings;
  // Rendered frames are mostly smooth: the pixel above predicts a pixel about
  // as well as trying every filter on every row does, at no cost. Our own
  // writer with the faster deflate at its fastest level then takes about half
  // the time of the library's fastest (measured on the demo's frames).
  settings.compression.level = 1;
  settings.compression.filters = ImageCodecPNG::Compression::FILTER_UP;
  settings.compression.fastDeflate = true;
  const unsigned cores = std::thread::hardware_concurrency();
  settings.threads = static_cast<int>(std::min(8u, std::max(1u, cores)));
  settings.queue = settings.threads + 1;
  return settings;
}

VideoFileImageDumper::VideoFileImageDumper() : VideoFileImageDumper(defaultSettings()) {}

VideoFileImageDumper::VideoFileImageDumper(const Settings& settings)
    : mArchive(nullptr),
      mFrameNumber(0),
      mSettings(settings),
      mCodec(settings.compression),
      mBusy(0),
      mStopping(false),
      mFailedNumber(-1),
      mFailureReported(false) {
  mSettings.threads = std::max(0, mSettings.threads);
  mSettings.queue = std::max(1, mSettings.queue);
}

VideoFileImageDumper::~VideoFileImageDumper() { close(); }

bool VideoFileImageDumper::openForWrite(const std::string& filename, const Format& format, ArchiveManager* archive) {
  if (!archive) return false;
  // The extension is what follows the last dot of the file's own name, when
  // that dot does not start the name (".png" and "dump/.png" have none).
  const size_t dot = filename.rfind('.');
  size_t nameStart = filename.size();
  while (nameStart > 0 && !isSeparator(filename[nameStart - 1])) --nameStart;
  const bool hasExtension = dot != std::string::npos && dot > nameStart;
  if (!hasExtension || !isPng(filename.substr(dot + 1))) return false;
  if (static_cast<long long>(filename.size()) + kNumberRoom > kMaxNameLength) {
    ZLK_LOG("error", "app", "The frame names of '%s' would be longer than %d characters; choose a shorter name",
            filename.c_str(), kMaxNameLength - 1);
    return false;
  }

  mArchive = archive;
  mFilename = filename.substr(0, dot);
  mExtension = filename.substr(dot + 1);
  mFormat = format;
  mFrameNumber = 0;
  for (int i = 0; i < mSettings.threads; ++i) mWriters.emplace_back(&VideoFileImageDumper::writerLoop, this);
  return true;
}

void VideoFileImageDumper::attach(Image& image) { mImage = image; }

std::string VideoFileImageDumper::getFrameName(int number) const {
  char name[kMaxNameLength];
  const int length =
      std::snprintf(name, sizeof(name), "%s.%06d.%s", mFilename.c_str(), number, mExtension.c_str());
  // openForWrite left room for every number
  return length >= 0 && length < kMaxNameLength ? std::string(name) : std::string();
}

bool VideoFileImageDumper::write(Job& job) const {
  // Red and blue change places: the fast writer does it while filtering; for
  // the library, one pass over the frame's own copy beats its row-by-row swap.
  const bool rgba = !mSettings.compression.fastDeflate;
  if (rgba) {
    unsigned char* p = job.pixels.data();
    const size_t pixelCount = job.pixels.size() / 4;
    for (size_t i = 0; i < pixelCount; ++i, p += 4) std::swap(p[0], p[2]);
  }
  unsigned char* bytes = nullptr;
  size_t length = 0;
  if (job.name.empty() || !mCodec.encode(job.pixels.data(), job.width, job.height, &bytes, &length, rgba))
    return false;
  return mArchive->writeFile(File(new FileStructure(job.name, static_cast<long>(length), bytes)), -1);
}

void VideoFileImageDumper::writeFrame() {
  if (!mArchive) return;
  if (hasFailed()) return;  // a dump with a gap is no dump

  std::unique_ptr<Job> job;
  {
    std::unique_lock<std::mutex> lock(mMutex);
    if (!mSpare.empty()) {
      job = std::move(mSpare.back());
      mSpare.pop_back();
    }
  }
  if (!job) job.reset(new Job);
  job->number = mFrameNumber;
  job->name = mFrameNumber < INT_MAX ? getFrameName(mFrameNumber) : std::string();
  ++mFrameNumber;
  const ImageObject* picture = mImage.get();
  if (picture && picture->getData() && picture->getWidth() > 0 && picture->getHeight() > 0) {
    job->width = picture->getWidth();
    job->height = picture->getHeight();
    const size_t size = static_cast<size_t>(job->width) * job->height * 4;
    job->pixels.resize(size);
    std::memcpy(job->pixels.data(), picture->getData(), size);
  } else {
    job->width = job->height = 0;  // nothing to write: the frame fails
  }

  if (mWriters.empty()) {
    const bool ok = write(*job);
    std::lock_guard<std::mutex> lock(mMutex);
    if (!ok) recordFailure(*job);
    mSpare.push_back(std::move(job));
  } else {
    std::unique_lock<std::mutex> lock(mMutex);
    mDone.wait(lock, [this] { return static_cast<int>(mQueue.size()) < mSettings.queue; });
    mQueue.push_back(std::move(job));
    mWork.notify_one();
  }
}

void VideoFileImageDumper::writerLoop() {
  std::unique_lock<std::mutex> lock(mMutex);
  for (;;) {
    mWork.wait(lock, [this] { return mStopping || !mQueue.empty(); });
    if (mQueue.empty()) return;  // stopping
    std::unique_ptr<Job> job = std::move(mQueue.front());
    mQueue.pop_front();
    ++mBusy;
    // frames before a failed one are still written: the dump is whole up to it
    const bool skip = mFailedNumber >= 0 && job->number > mFailedNumber;
    lock.unlock();
    const bool ok = skip || write(*job);
    lock.lock();
    --mBusy;
    if (!ok) recordFailure(*job);
    mSpare.push_back(std::move(job));
    mDone.notify_all();
  }
}

void VideoFileImageDumper::recordFailure(const Job& job) {
  // writers finish out of order: the earliest frame is where the dump breaks
  if (mFailedNumber >= 0 && mFailedNumber < job.number) return;
  mFailedNumber = job.number;
  mFailedFrame = job.name.empty() ? std::string("(unnamed)") : job.name;
}

void VideoFileImageDumper::reportFailure() {
  if (mFailureReported || !hasFailed()) return;
  mFailureReported = true;
  ZLK_LOG("error", "app", "Could not write the frame '%s'; the frames after it are not written",
          getFailedFrame().c_str());
}

bool VideoFileImageDumper::hasFailed() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mFailedNumber >= 0;
}

std::string VideoFileImageDumper::getFailedFrame() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mFailedFrame;
}

void VideoFileImageDumper::drain() {
  std::unique_lock<std::mutex> lock(mMutex);
  mDone.wait(lock, [this] { return mQueue.empty() && mBusy == 0; });
}

bool VideoFileImageDumper::close() {
  if (!mWriters.empty()) {
    drain();
    {
      std::lock_guard<std::mutex> lock(mMutex);
      mStopping = true;
    }
    mWork.notify_all();
    for (std::thread& writer : mWriters) writer.join();
    mWriters.clear();
  }
  mSpare.clear();
  mImage.release();
  reportFailure();
  return !hasFailed();
}

}  // namespace am
}  // namespace zelkor
