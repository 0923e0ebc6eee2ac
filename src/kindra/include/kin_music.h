#pragma once
// The demo's music: one song decoded from memory and streamed to the sound
// device, with play, pause, mute, seek and the play position.

#include <string>

#include "am.h"

struct _Mix_Music;
struct SDL_RWops;

namespace zelkor {
namespace kindra {

// Turns a decoder position that moves a whole buffer at a time (and not at
// all on a device that stalls) into a steady one: the wall clock carries the
// position between reports, and a report that strays further than
// `tolerance` seconds from it takes over.
class MusicClock {
 public:
  explicit MusicClock(double tolerance = 0.2);

  // The position is `seconds` at wall time `now`.
  void set(double seconds, double now);
  // Starts (or stops) following the wall clock at `now`; stopping keeps the
  // position reached.
  void run(bool running, double now);
  // The position at `now`; `decoderSeconds` is what the decoder reports.
  double get(double decoderSeconds, double now);
  bool isRunning() const { return mRunning; }

 private:
  double estimate(double now) const;

  double mTolerance;
  double mAnchor;      // position at mAnchorWall
  double mAnchorWall;  // wall time of mAnchor
  double mLastDecoder;
  bool mHaveDecoder;   // mLastDecoder holds a report since the last set
  bool mRunning;
};

class Music {
 public:
  Music();
  ~Music();
  Music(const Music&) = delete;
  Music& operator=(const Music&) = delete;

  // Opens the sound device and the song; false (with a message) when there
  // is no device, the file cannot be decoded or the stream cannot start. The
  // song stands stopped at its start.
  bool setup(am::File file);

  void play();
  // A paused song keeps its position.
  void pause(bool paused);
  // Volume 0 when muted; the song and its position go on.
  void mute(bool muted);
  // True once the song has ended; a paused song has not.
  bool update();
  // Seeks; a time past the end stands at the end.
  void setTime(float seconds);
  // Position in seconds.
  float getTime();
  // Position in sample frames at the song's own rate.
  int getPosition();
  float getSongLength() const;
  // Nothing to do: the destructor releases the stream.
  void remove() {}

  bool isOpen() const { return mSound != nullptr; }
  int getSampleRate() const { return mSampleRate; }
  int getSongFrames() const { return mSongLength; }
  bool isPaused() const { return mPaused; }
  bool isMuted() const { return mMuted; }

  // Sample rate of a song file from its header (RIFF/WAVE, Ogg Vorbis or
  // Opus, FLAC); 0 when the header does not tell.
  static int probeSampleRate(const unsigned char* data, long length);

 private:
  struct WavLayout;
  struct MemorySource;

  void release();
  static void closeSoundSystem();
  // The stream is running (not stopped, not at its end).
  bool streamRunning() const;
  void seekStream(int frame);
  // Runs or stops the stream (and the clock) as the state asks.
  void applyRunning();
  static double wallClock();

  int mSongLength;        // sample frames
  bool mDeviceOpen;       // this object opened the sound device
  _Mix_Music* mSound;     // the decoder and stream
  MemorySource* mSource;  // what the decoder reads
  am::File mFile;         // the bytes of the song
  int mSampleRate;
  bool mPaused;
  bool mMuted;
  bool mAtEnd;    // stopped at the end by a seek there
  bool mStarted;  // play() was called: the stream runs unless paused
  MusicClock mClock;
};

}  // namespace kindra
}  // namespace zelkor
