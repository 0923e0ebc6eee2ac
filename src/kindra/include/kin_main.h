#pragma once
// The demo engine: effect registry and timeline, demo clock, keys, the
// on-screen progress bar and the frame loop on the display device.

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "am.h"
#include "am_videofile.h"
#include "dis_clock.h"
#include "dis_display.h"
#include "dis_listener.h"
#include "dis_windowmode.h"
#include "kin_beatgrid.h"
#include "kin_effect.h"
#include "kin_music.h"
#include "kin_renderscale.h"

namespace zelkor {
namespace kindra {

class Gui;
class LiveEdit;

class Kindra : public display::Listener {
 public:
  Kindra();
  // Writes the settings back (after a run that did not fail), then releases
  // the effects (while the display still exists), the display and the
  // factories.
  ~Kindra() override;

  // Takes the forced aspect ratio of the drawing area (<= 0: none) and, the
  // first time, reads "setup.local.xml" or else "setup.xml" from the working
  // directory and mounts the archives it names.
  void setup(float aspect);
  // Puts the settings the user changed into "setup.local.xml" when there is
  // one, and saves every effect.
  void saveXml();
  // The save at exit (once; the destructor does it when nobody did): false
  // when a file could not be written, its edits then kept in a rescue
  // directory.
  bool saveAtExit();

  // Registers a factory under a type name (owned; a second registration
  // under the same name replaces the first).
  void addFactory(const std::string& pName, EffectFactoryBase* pFactory);
  template <typename T>
  void addFactory(const std::string& typeName) {
    addFactory(typeName, new EffectFactory<T>());
  }
  // Creates an effect of a registered type and appends it to the timeline
  // (span 0 to 10 s); null, with a log line, for an unknown type.
  Effect* addEffect(const std::string& pType, const std::string& pName);

  // Opens the display, prepares the effects and plays until the user quits.
  void run();

  // Refreshes the demo time (mSystemTime) and the music time.
  void getTime();
  // Jumps to a demo time (never below 0).
  void setTime(float pSetTime);
  float getSystemTime() const { return mSystemTime; }
  float getStartTime() const { return mStartTime; }

  void openDevices();
  void openDisplay(int pX, int pY, bool pFullscreen, const std::string& pTitle);
  // Opens the song through the archives; without a sound device (or with a
  // song that will not play) the demo goes on silently.
  void openSound(const std::string& filename);
  void drawOsd();

  // The loading screen: sets every effect up and restores the GPU
  // resources; false when the user quit meanwhile.
  bool runSetup();
  // One frame of the loading screen.
  void drawSetupFrame();
  // Shows `progress` (0..1) for two frames; false when the user quit.
  bool updateProgress(float progress);

  int onKeyDown(const display::KeyEvent& event) override;
  void onResize(int oldWidth, int oldHeight) override;
  void onDraw() override;

  display::DisplayGL* getDisplay() const { return mDisplay; }
  const std::vector<Effect*>& getEffects() const { return mEffect; }
  float getMusicTime() const { return mMusicTime; }
  float getSongLength() const { return mSongLength; }
  bool isPaused() const { return mPaused; }
  bool isMuted() const { return mMuted; }
  bool isOsdEnabled() const { return mOsd; }
  bool isOsdShowing() const { return mOsd && mOsdTime + mOsdDelay >= mMusicTime; }
  int getOsdLocation() const { return mOsdLocation; }
  float getOsdDelay() const { return mOsdDelay; }
  // Seconds the active effects took in the last frame.
  float getExecutionTime() const { return mExecutionTime; }

  // The settings as read from the setup file.
  bool isSetup() const { return mSetup; }
  bool hasDisplay() const { return mFoundDisplay; }
  int getWidth() const { return mWidth; }
  int getHeight() const { return mHeight; }
  bool isFullscreen() const { return mFullscreen; }
  const std::string& getTitle() const { return mTitle; }
  display::WindowMode::FpsMode getFpsMode() const { return mFpsMode; }
  bool isLooping() const { return mLoop; }
  bool isNosound() const { return mNosound; }
  const std::string& getMusicFilename() const { return mMusicFilename; }
  // The song's tempo and bars, from the music element (off without "bpm").
  const BeatGrid& getBeatGrid() const { return mBeatGrid; }
  bool getLogConsole() const { return mLogConsole; }
  // Frame dumping: the setup file's dump element (name and frame rate).
  bool isDumping() const { return mDumping; }
  const std::string& getDumpName() const { return mDumpName; }
  float getDumpRate() const { return mDumpRate; }
  // The frame output (null when not dumping).
  am::VideoFile* getDumpVideo() const { return mDumpVideo.get(); }
  // Frames the dump writes in all (known once run() started it), and so far.
  long getDumpFrameCount() const { return mDumpFrames; }
  long getDumpFrame() const { return mDumpFrame; }
  am::ArchiveManager& getArchive() { return mArchive; }
  Music& getMusic() { return mMusic; }
  // The editor (null before run() built it, or without a layout file).
  Gui* getGui() const { return mGui.get(); }
  // Live editing (null when it is off).
  LiveEdit* getLiveEdit() const { return mLive.get(); }

  // The loading screen's state.
  bool isRunningSetup() const { return mIsRunningSetup; }
  float getSetupProgress() const { return mSetupProgress; }
  float getSetupIntensity() const { return mSetupIntensity; }
  // The song ended (without looping) and the demo stopped.
  bool hasSongEnded() const { return mSongEnded; }

 private:
  void readSetupFile();
  // A song is open (not before run() opened it, nor in a silent demo).
  bool hasMusic() const { return !mNosound && mMusic.isOpen(); }
  // Demo time from the clock (or the pause).
  void readClock();
  // Puts every effect's bar into the editor's "effects" control.
  void showEffectsInEditor();
  // Fixes the length of the dump before the first frame.
  void startDump();
  // Writes the frame just drawn; ends the dump after its last frame.
  void dumpFrame();
  // The demo time of the frame being dumped.
  float dumpTime() const;

  bool mIsRunningSetup;
  float mSetupProgress;
  float mSetupIntensity;
  std::map<std::string, EffectFactoryBase*> mFactory;
  std::vector<Effect*> mEffect;
  display::DisplayGL* mDisplay;
  display::WindowMode::FpsMode mFpsMode;
  display::Clock mClock;
  bool mNosound;
  bool mMuted;
  Music mMusic;
  float mSongLength;
  std::string mMusicFilename;
  bool mSetup;
  bool mFoundDisplay;
  bool mLoop;
  bool mPaused;
  float mStartTime;
  float mLastTime;
  bool mHasLastTime;  // mLastTime holds the time of a frame or a jump
  float mMusicTime;
  float mSystemTime;
  float mPausedTime;
  bool mFullscreen;
  float mAspect;
  float mRenderScale = 1.0f;                  // <display scale>: the effects' share of the window
  std::unique_ptr<RenderScale> mScaledFrame;  // where they draw below 1
  std::string mTitle;
  int mHeight;
  int mWidth;
  bool mOsd;
  int mOsdLocation;
  float mOsdDelay;
  float mOsdTime;
  am::ArchiveManager mArchive;
  bool mDumping;  // a dump element asks for frame dumping
  std::string mDumpName;
  float mDumpRate;
  std::unique_ptr<am::VideoFile> mDumpVideo;
  am::Image mDumpImage;  // the frame read from the screen
  long mDumpFrame;       // frames dumped so far; the next one is drawn at (mDumpFirst + mDumpFrame) / rate
  double mDumpStart;     // the dump's "start" and "end" (s); end 0: the song's end
  double mDumpEnd;
  long mDumpFirst;       // the demo frame the dump begins with
  long mDumpFrames;      // frames of the whole dump
  bool mDumpEnded;       // the last frame is written, or writing failed: the frame loop stops
  std::string mDumpError;  // why the dump failed
  bool mLogConsole;
  float mExecutionTime;
  bool mRunFailed;  // run() ended with an exception: nothing is saved
  bool mSaveDone;  // saveAtExit ran
  bool mSavedAll;  // every file of the last save was written where it belongs
  bool mSongEnded;  // the song ended without looping: the frame loop stops
  bool mNosoundSetting;  // the setup file asks for no music
  std::unique_ptr<Gui> mGui;  // the editor over the demo, from "layout.xml"
  BeatGrid mBeatGrid;
  std::unique_ptr<LiveEdit> mLive;  // rebuilds what the maker saves while the demo plays
};

// The progress object of one effect during loading: its share of the first
// half of the loading bar.
class SetupEffectProgressUpdate : public EffectProgressUpdate {
 public:
  SetupEffectProgressUpdate(display::DisplayGL* display, Kindra* context, float minProgress, float maxProgress);
  // Redraws at most once a second; throws UserCancelledException when the
  // user quit.
  void updateProgress(float fraction) override;
  using EffectProgressUpdate::updateProgress;

 private:
  display::DisplayGL* m_display;
  Kindra* m_context;
  float m_minProgress;
  float m_maxProgress;
  float m_lastUpdateTime;
};

}  // namespace kindra
}  // namespace zelkor
