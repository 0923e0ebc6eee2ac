#pragma once
// The editor window over the running demo: the toolkit's controls from
// "layout.xml" with the time ruler, the effects' bars, the frame-time label and
// graph and the colour picker; Tab shows and hides it, a game pad pauses and
// scrubs the demo.

#include <string>

#include "dis_display.h"
#include "dis_listener.h"
#include "kin_history.h"
#include "tes_callback.h"
#include "tessel.h"

namespace zelkor {
namespace tessel {
class Control;
class Ruler;
class Stat;
}  // namespace tessel
namespace kindra {

class Kindra;

class Gui : public tessel::Callback, public display::Listener {
 public:
  // The toolkit root registers with the display here; the engine registers
  // the Gui after it, so that keys reach the Gui first and it draws last.
  Gui(display::DisplayGL* display, Kindra* engine);
  ~Gui() override;

  // Loads "layout.xml", sizes the ruler to the timeline and finds the
  // controls and the game pad. Missing controls are named in the log and
  // their part of the editor is left out.
  void setup();
  void setExecutionTime(float seconds) { mExecutionTime = seconds; }
  tessel::Tessel& getTessel() { return mTessel; }

  void controlAction(tessel::Control* control, tessel::Action action) override;
  // Tab shows or hides the editor (hiding drops the keyboard focus); the key
  // goes on to the toolkit and the engine either way. Ctrl+Z undoes,
  // Ctrl+Shift+Z and Ctrl+Y redo (left to a focused text field, which undoes
  // its own typing); PageUp/PageDown move the play head a bar (with a beat
  // grid). These go no further.
  int onKeyDown(const display::KeyEvent& event) override;
  // Input is watched (not used) to find where edits end: a step of the
  // history is taken once no mouse button is held.
  int onMouseDown(const display::MouseButtonEvent& event) override;
  int onMouseUp(const display::MouseButtonEvent& event) override;
  int onMouseWheel(const display::MouseMoveEvent& event) override;
  int onCharDown(const display::CharEvent& event) override;
  // A release may never come while the window is away.
  void onChangeFocus(bool focused) override;
  // Ruler markers, frame-time statistics, game pad.
  void onDraw() override;
  virtual void updatePad();

  // The game pad asked for a pause toggle in the last reading.
  bool getPadPaused() const { return mPadPaused; }
  int getPadIndex() const { return mPadIndex; }
  tessel::Ruler* getRuler() const { return mRuler; }
  tessel::Stat* getStat() const { return mStat; }
  tessel::Control* getFps() const { return mFps; }
  // Shows the colour picker window (the colour plugins' editors use it).
  void showPicker();
  EditHistory& getHistory() { return mHistory; }
  // The ruler as tall as the effects stacked in it (at least the visible
  // timeline), so that the scroller reaches every one of them.
  void fitTimeline();
  // Scrolls the timeline down to the effects playing now (done once the
  // demo starts, so that a maker sees what plays).
  void showPlaying();
  // A shown text field has the keyboard.
  bool typing();

  static const char* const kLayoutFile;

 private:
  // The control with this id, or null with a warning naming it.
  tessel::Control* require(const std::string& id);
  // The ruler takes the visible height of the timeline.
  void fitRuler(tessel::Control* scroller);

  tessel::Tessel mTessel;
  Kindra* mKindra;
  tessel::Ruler* mRuler;
  tessel::Stat* mStat;
  tessel::Control* mFps;
  float mLastTime;
  bool mPadPaused;
  int mPadIndex;
  float mExecutionTime;
  // frame-time statistics since the last sample
  float mFrames;
  float mCount;
  unsigned char mPadButtons[display::GAMEPAD_BUTTONS];  // the previous reading
  bool mFitting;  // a resize report is being handled
  EditHistory mHistory;
  bool mInputPending;  // input since the last history step
  int mButtonsDown;    // mouse buttons held
  float mFittedHeight;  // the effects' height the ruler was last fitted to
  bool mShownPlaying;   // the first frame scrolled to what plays
};

}  // namespace kindra
}  // namespace zelkor
