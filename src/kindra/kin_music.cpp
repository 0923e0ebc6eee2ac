#include "kin_music.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "zlk_system.h"

namespace zelkor {
namespace kindra {

namespace {

// Sample rate and buffer of the device; the mixer converts every song to it.
const int kDeviceRate = 44100;
const int kDeviceChannels = 2;
const int kDeviceBufferFrames = 1024;

// The one stream the mixer has; a second song would take it from the first.
Music* gStreamOwner = nullptr;

uint32_t readLE32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
uint16_t readLE16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace

// ------------------------------------------------------------ MusicClock

MusicClock::MusicClock(double tolerance)
    : mTolerance(tolerance), mAnchor(0.0), mAnchorWall(0.0), mLastDecoder(0.0), mHaveDecoder(false), mRunning(false) {}

void MusicClock::set(double seconds, double now) {
  mAnchor = seconds;
  mAnchorWall = now;
  // the decoder stands where it was sent; only a move from there is news
  mLastDecoder = seconds;
  mHaveDecoder = true;
}

double MusicClock::estimate(double now) const { return mRunning ? mAnchor + (now - mAnchorWall) : mAnchor; }

void MusicClock::run(bool running, double now) {
  if (running == mRunning) return;
  mAnchor = estimate(now);
  mAnchorWall = now;
  mRunning = running;
}

double MusicClock::get(double decoderSeconds, double now) {
  double position = estimate(now);
  // Only a new report says something: between two of them the decoder stands
  // still while the sound goes on.
  if (std::isfinite(decoderSeconds) && decoderSeconds >= 0.0 && (!mHaveDecoder || decoderSeconds != mLastDecoder)) {
    mLastDecoder = decoderSeconds;
    mHaveDecoder = true;
    if (std::fabs(decoderSeconds - position) > mTolerance) {
      mAnchor = position = decoderSeconds;
      mAnchorWall = now;
    }
  }
  return position;
}

// ------------------------------------------------------------ song files

// Where the samples of a plain RIFF/WAVE file lie.
struct Music::WavLayout {
  int sampleRate = 0;
  int blockAlign = 0;  // bytes per sample frame
  int64_t dataStart = 0;
  int64_t dataSize = 0;
  bool linear = false;  // integer or float samples, bytes proportional to time

  // False when the bytes are no RIFF/WAVE file with a format and a data chunk.
  bool read(const unsigned char* data, long length) {
    if (!data || length < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) return false;
    bool haveFormat = false;
    int format = 0;
    uint64_t offset = 12;
    const uint64_t end = static_cast<uint64_t>(length);
    while (offset + 8 <= end) {
      const unsigned char* chunk = data + offset;
      const uint64_t size = readLE32(chunk + 4);
      const uint64_t body = offset + 8;
      if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16 && body + 16 <= end) {
        format = readLE16(data + body);
        sampleRate = static_cast<int>(readLE32(data + body + 4) & 0x7fffffff);
        blockAlign = readLE16(data + body + 12);
        haveFormat = true;
      } else if (std::memcmp(chunk, "data", 4) == 0) {
        dataStart = static_cast<int64_t>(body);
        // a truncated file plays what it has
        dataSize = static_cast<int64_t>(body + size <= end ? size : end - body);
        // 1 integer, 3 float, 0xFFFE extensible (either)
        linear = format == 1 || format == 3 || format == 0xFFFE;
        return haveFormat && sampleRate > 0 && blockAlign > 0;
      }
      offset = body + size + (size & 1);
    }
    return false;
  }
};

int Music::probeSampleRate(const unsigned char* data, long length) {
  if (!data || length <= 0) return 0;
  WavLayout wav;
  if (wav.read(data, length)) return wav.sampleRate;
  // Ogg: the first page carries the codec's identification packet.
  if (length >= 28 && std::memcmp(data, "OggS", 4) == 0) {
    const long packet = 27 + data[26];
    if (packet + 16 <= length && data[packet] == 1 && std::memcmp(data + packet + 1, "vorbis", 6) == 0) {
      return static_cast<int>(readLE32(data + packet + 12) & 0x7fffffff);
    }
    // Opus always decodes at 48 kHz, whatever rate the input had
    if (packet + 8 <= length && std::memcmp(data + packet, "OpusHead", 8) == 0) return 48000;
    return 0;
  }
  // FLAC: 20 bits of the stream info block
  if (length >= 21 && std::memcmp(data, "fLaC", 4) == 0 && (data[4] & 0x7f) == 0) {
    return static_cast<int>(data[18]) << 12 | static_cast<int>(data[19]) << 4 | data[20] >> 4;
  }
  return 0;
}

// The song's bytes as a stream for the decoder. The WAV decoder of the mixer
// seeks to the whole second below the time asked for; a seek of ours tells
// the exact byte first, and a request for its whole second gets that byte.
struct Music::MemorySource {
  const unsigned char* data;
  Sint64 length;
  Sint64 position = 0;
  WavLayout wav;
  bool exactSeek;        // a linear WAV whose seeks we can correct
  Sint64 pending = -1;   // the byte of a seek under way
  SDL_RWops* rw = nullptr;

  MemorySource(const unsigned char* pData, long pLength) : data(pData), length(pLength) {
    exactSeek = wav.read(pData, pLength) && wav.linear;
  }
  ~MemorySource() {
    if (rw) SDL_FreeRW(rw);
  }

  SDL_RWops* open() {
    rw = SDL_AllocRW();
    if (!rw) return nullptr;
    rw->type = SDL_RWOPS_UNKNOWN;
    rw->hidden.unknown.data1 = this;
    rw->size = [](SDL_RWops* ops) -> Sint64 { return self(ops)->length; };
    rw->seek = [](SDL_RWops* ops, Sint64 offset, int whence) -> Sint64 { return self(ops)->seek(offset, whence); };
    rw->read = [](SDL_RWops* ops, void* out, size_t size, size_t count) -> size_t {
      return self(ops)->read(out, size, count);
    };
    rw->write = [](SDL_RWops*, const void*, size_t, size_t) -> size_t { return 0; };
    // the source is released with the song, not by the decoder
    rw->close = [](SDL_RWops*) -> int { return 0; };
    return rw;
  }

  static MemorySource* self(SDL_RWops* ops) { return static_cast<MemorySource*>(ops->hidden.unknown.data1); }

  Sint64 seek(Sint64 offset, int whence) {
    Sint64 target = offset;
    if (whence == RW_SEEK_CUR) target = position + offset;
    else if (whence == RW_SEEK_END) target = length + offset;
    else if (whence != RW_SEEK_SET) return SDL_SetError("Unknown seek origin");
    if (pending >= 0 && whence == RW_SEEK_SET && target >= wav.dataStart && target <= pending &&
        pending - target < static_cast<Sint64>(wav.sampleRate) * wav.blockAlign) {
      target = pending;
    }
    if (target < 0) target = 0;
    if (target > length) target = length;
    position = target;
    return position;
  }

  size_t read(void* out, size_t size, size_t count) {
    if (size == 0 || count == 0 || position >= length) return 0;
    const size_t available = static_cast<size_t>(length - position);
    const size_t items = available / size < count ? available / size : count;
    std::memcpy(out, data + position, items * size);
    position += static_cast<Sint64>(items * size);
    return items;
  }
};

// ------------------------------------------------------------ Music

Music::Music()
    : mSongLength(0),
      mDeviceOpen(false),
      mSound(nullptr),
      mSource(nullptr),
      mSampleRate(0),
      mPaused(false),
      mMuted(false),
      mAtEnd(false),
      mStarted(false) {}

Music::~Music() { release(); }

// The audio part of the library, and the library itself once nothing of it
// is in use: its session-bus connection goes only with the whole library.
void Music::closeSoundSystem() {
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  if (SDL_WasInit(0) == 0) SDL_Quit();
}

double Music::wallClock() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void Music::release() {
  if (mSound) {
    if (gStreamOwner == this) {
      Mix_HaltMusic();
      gStreamOwner = nullptr;
    }
    Mix_FreeMusic(mSound);
    mSound = nullptr;
  }
  delete mSource;
  mSource = nullptr;
  if (mDeviceOpen) {
    Mix_CloseAudio();
    Mix_Quit();
    closeSoundSystem();
    mDeviceOpen = false;
  }
  mFile = am::File();
  mSongLength = 0;
  mSampleRate = 0;
  mPaused = mMuted = mAtEnd = mStarted = false;
  mClock = MusicClock();
}

bool Music::setup(am::File file) {
  release();

  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    ZLK_LOG("error", "Kindra", "No sound device!\n");
    ZLK_LOG("info", "Kindra", "The sound system says: %s", SDL_GetError());
    closeSoundSystem();
    return false;
  }
  if (Mix_OpenAudio(kDeviceRate, MIX_DEFAULT_FORMAT, kDeviceChannels, kDeviceBufferFrames) != 0) {
    ZLK_LOG("error", "Kindra", "No sound device!\n");
    ZLK_LOG("info", "Kindra", "The sound system says: %s", Mix_GetError());
    closeSoundSystem();
    return false;
  }
  mDeviceOpen = true;

  // The decoder reads the song from memory for as long as it plays.
  mFile = file;
  SDL_RWops* rw = nullptr;
  if (!mFile.isNull() && mFile->data && mFile->length > 0) {
    mSource = new MemorySource(mFile->data, mFile->length);
    rw = mSource->open();
  }
  mSound = rw ? Mix_LoadMUS_RW(rw, 0) : nullptr;
  if (!mSound) {
    std::puts("Could not open file");
    std::fflush(stdout);
    ZLK_LOG("error", "Kindra", "%s: The music cannot be decoded; the demo plays silently",
            mFile.isNull() ? "" : mFile->filename.c_str());
    release();
    return false;
  }

  mSampleRate = probeSampleRate(mFile->data, mFile->length);
  if (mSampleRate <= 0) {
    int deviceRate = 0;
    Uint16 format = 0;
    int channels = 0;
    Mix_QuerySpec(&deviceRate, &format, &channels);
    mSampleRate = deviceRate > 0 ? deviceRate : kDeviceRate;
  }
  double frames = -1.0;
  if (mSource->exactSeek) {
    frames = static_cast<double>(mSource->wav.dataSize / mSource->wav.blockAlign);
  } else {
    const double seconds = Mix_MusicDuration(mSound);
    if (seconds > 0.0) frames = std::round(seconds * mSampleRate);
  }

  // A stream whose length is unknown (or does not fit) cannot carry the
  // timeline; and the mixer has one stream only.
  if (!(frames > 0.0 && frames < 2147483647.0) || (gStreamOwner && gStreamOwner != this) ||
      Mix_PlayMusic(mSound, 0) != 0) {
    std::puts("Could not open sound!, muting");
    std::fflush(stdout);
    ZLK_LOG("error", "Kindra", "%s: The music cannot be played; the demo plays silently", mFile->filename.c_str());
    release();
    return false;
  }
  // stands stopped at its start until play()
  Mix_PauseMusic();
  gStreamOwner = this;
  mSongLength = static_cast<int>(frames);
  Mix_VolumeMusic(MIX_MAX_VOLUME);
  seekStream(0);
  mClock.set(0.0, wallClock());
  return true;
}

bool Music::streamRunning() const { return mSound && Mix_PlayingMusic() && !Mix_PausedMusic(); }

void Music::seekStream(int frame) {
  if (mSource->exactSeek) mSource->pending = mSource->wav.dataStart + static_cast<Sint64>(frame) * mSource->wav.blockAlign;
  Mix_SetMusicPosition(static_cast<double>(frame) / mSampleRate);
  mSource->pending = -1;
}

void Music::applyRunning() {
  const bool run = mStarted && !mPaused && !mAtEnd && Mix_PlayingMusic();
  if (run) Mix_ResumeMusic();
  else Mix_PauseMusic();
  mClock.run(run, wallClock());
}

void Music::play() { pause(false); }

void Music::pause(bool paused) {
  if (!mSound) return;
  getPosition();  // the clock stops where the song is now
  mPaused = paused;
  if (!paused) mStarted = true;
  applyRunning();
}

void Music::mute(bool muted) {
  if (!mSound) return;
  mMuted = muted;
  Mix_VolumeMusic(muted ? 0 : MIX_MAX_VOLUME);
}

bool Music::update() {
  if (!mSound || mPaused) return false;
  return mAtEnd || !Mix_PlayingMusic();
}

void Music::setTime(float seconds) {
  if (!mSound) return;
  const double wanted = std::isfinite(seconds) ? static_cast<double>(seconds) * mSampleRate : 0.0;
  const int frame = wanted <= 0.0 ? 0 : wanted >= mSongLength ? mSongLength : static_cast<int>(wanted);
  const double now = wallClock();
  if (frame >= mSongLength) {
    // the decoder cannot stand on its last frame: the song is over
    Mix_HaltMusic();
    mAtEnd = true;
    mClock.run(false, now);
    mClock.set(static_cast<double>(mSongLength) / mSampleRate, now);
    return;
  }
  if (!Mix_PlayingMusic()) {
    // at its end the stream stopped; it starts again from the new place
    if (Mix_PlayMusic(mSound, 0) != 0) return;
    Mix_PauseMusic();
  }
  mAtEnd = false;
  seekStream(frame);
  mClock.run(false, now);
  mClock.set(static_cast<double>(frame) / mSampleRate, now);
  applyRunning();
}

int Music::getPosition() {
  if (!mSound) return 0;
  if (mAtEnd || !Mix_PlayingMusic()) return mSongLength;
  const double now = wallClock();
  mClock.run(streamRunning(), now);
  const double seconds = mClock.get(Mix_GetMusicPosition(mSound), now);
  const double frame = std::round(seconds * mSampleRate);
  if (!(frame > 0.0)) return 0;
  return frame >= mSongLength ? mSongLength : static_cast<int>(frame);
}

float Music::getTime() {
  if (!mSound) return 0.0f;
  return static_cast<float>(static_cast<double>(getPosition()) / mSampleRate);
}

float Music::getSongLength() const {
  if (mSampleRate <= 0) return 0.0f;
  return static_cast<float>(static_cast<double>(mSongLength) / mSampleRate);
}

}  // namespace kindra
}  // namespace zelkor
