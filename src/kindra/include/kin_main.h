#pragma once
// The demo engine: effect registry and timeline, demo clock, keys, the
// on-screen progress bar and the frame loop on the display device.

#include <map>
#include <string>
#include <vector>

#include "dis_clock.h"
#include "dis_display.h"
#include "dis_listener.h"
#include "dis_windowmode.h"
#include "kin_effect.h"

namespace zelkor {
namespace kindra {

class Kindra : public display::Listener {
 public:
  Kindra();
  // Releases the effects (while the display still exists), the display and
  // the factories.
  ~Kindra() override;

  // Takes the forced aspect ratio of the drawing area (<= 0: none) and the
  // settings.
  void setup(float aspect);

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
  void drawOsd();

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
  // Seconds the active effects took in the last frame.
  float getExecutionTime() const { return mExecutionTime; }

 private:
  // Sets every effect up before the demo plays; false when the user quit.
  bool runSetup();
  // Demo time from the clock (or the pause).
  void readClock();

  std::map<std::string, EffectFactoryBase*> mFactory;
  std::vector<Effect*> mEffect;
  display::DisplayGL* mDisplay;
  display::WindowMode::FpsMode mFpsMode;
  display::Clock mClock;
  bool mNosound;
  bool mMuted;
  float mSongLength;
  bool mSetup;
  bool mFoundDisplay;
  bool mPaused;
  float mStartTime;
  float mLastTime;
  bool mHasLastTime;  // mLastTime holds the time of a frame or a jump
  float mMusicTime;
  float mSystemTime;
  float mPausedTime;
  bool mFullscreen;
  float mAspect;
  std::string mTitle;
  int mHeight;
  int mWidth;
  bool mOsd;
  int mOsdLocation;
  float mOsdDelay;
  float mOsdTime;
  float mExecutionTime;
};

}  // namespace kindra
}  // namespace zelkor
