#include "kin_gui.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "kin_beatgrid.h"
#include "kin_effect.h"
#include "kin_main.h"
#include "tes_control.h"
#include "tes_ruler.h"
#include "tes_scrollbars.h"
#include "tes_stat.h"
#include "tes_textinput.h"
#include "tes_workspace.h"
#include "zlk_system.h"

namespace zelkor {
namespace kindra {

const char* const Gui::kLayoutFile = "layout.xml";

namespace {
// Editor units per second of the timeline.
const float kUnitsPerSecond = 10.0f;
// Height of the timeline body: room for every effect's plugin editors.
const float kBodyHeight = 3000.0f;
// Frame times are averaged over this many milliseconds of effects' work.
const float kStatWindowMs = 100.0f;
// Room below the last effect.
const float kTimelineMargin = 16.0f;

// The part of a scroller that shows its content (all of it for another control).
float visibleHeight(tessel::Control* scroller) {
  if (auto* bars = dynamic_cast<tessel::Scrollbars*>(scroller)) return bars->getFrame()->getArea().getHeight();
  return scroller->getArea().getHeight();
}
}  // namespace

Gui::Gui(display::DisplayGL* display, Kindra* engine)
    : mTessel(display),
      mKindra(engine),
      mRuler(nullptr),
      mStat(nullptr),
      mFps(nullptr),
      mLastTime(-10.0f),
      mPadPaused(false),
      mPadIndex(-1),
      mExecutionTime(0.0f),
      mFrames(0.0f),
      mCount(0.0f),
      mFitting(false),
      mInputPending(false),
      mButtonsDown(0),
      mFittedHeight(-1.0f),
      mShownPlaying(false) {
  std::memset(mPadButtons, 0, sizeof(mPadButtons));
}

// The controls that call back into the editor belong to its toolkit root and
// go with it.
Gui::~Gui() = default;

tessel::Control* Gui::require(const std::string& id) {
  tessel::Control* control = mTessel.findControl(id);
  if (!control) ZLK_LOG("warning", "app", "%s: there is no control '%s'; the editor goes without it", kLayoutFile, id.c_str());
  return control;
}

void Gui::setup() {
  mTessel.load(kLayoutFile);

  tessel::Control* scroller = require("main_scrollbars_horisontal");
  tessel::Control* ruler = require("main_ruler");
  mRuler = dynamic_cast<tessel::Ruler*>(ruler);
  if (ruler && !mRuler) ZLK_LOG("warning", "app", "%s: the control 'main_ruler' is no ruler", kLayoutFile);
  // without a length (none set, or one out of range) the ruler still reaches
  // the end of the last effect
  float length = mKindra->getSongLength();
  for (const Effect* effect : mKindra->getEffects()) length = std::max(length, effect->mEnd);
  const float width = length * kUnitsPerSecond + 11.0f;
  const float height = scroller ? visibleHeight(scroller) : 0.0f;
  if (ruler) ruler->setArea(tessel::Area(0.0f, 0.0f, width, height));
  if (tessel::Control* body = require("main_body")) body->setArea(tessel::Area(0.0f, 0.0f, width, kBodyHeight));

  for (const char* id : {"main_scrollbars_horisontal", "main_window", "picker", "picker_ok"}) {
    if (tessel::Control* control = require(id)) control->setCallback(this);
  }
  // the scroll range follows the ruler's new width
  if (scroller) scroller->setArea();

  tessel::Control* stat = require("main_stat");
  mStat = dynamic_cast<tessel::Stat*>(stat);
  if (stat && !mStat) ZLK_LOG("warning", "app", "%s: the control 'main_stat' is no statistics graph", kLayoutFile);
  mFps = require("fps");
  require("picker_window");
  mLastTime = -10.0f;

  mPadIndex = display::findGamePad();
  mPadPaused = false;

  const BeatGrid& grid = mKindra->getBeatGrid();
  BeatGrid::setActive(grid);
  if (mRuler) mRuler->setBeatGrid(grid.getBeatLength() * kUnitsPerSecond, grid.getBeatsPerBar());
}

void Gui::showPicker() {
  tessel::Control* window = mTessel.findControl("picker_window");
  if (!window) return;
  window->setVisible(true);
  // on top of the editor, which the last click may have raised over it
  if (tessel::Control* parent = window->getParent()) parent->setFocus(window);
}

int Gui::onKeyDown(const display::KeyEvent& event) {
  mInputPending = true;
  if (event.key == display::KEY_TAB) {
    std::puts("key tab");
    std::fflush(stdout);
    tessel::Control* workspace = mTessel.findControl("workspace");
    if (!workspace) workspace = mTessel.getWorkspace();
    if (workspace) {
      workspace->setVisible(!workspace->getVisible());
      // keys go to the demo again
      if (!workspace->getVisible()) mTessel.getWorkspace()->clearFocus();
    }
  }
  const bool ctrl = event.ctrl() && !event.alt();
  const bool undoKey = ctrl && event.key == display::KEY_z && !event.shift();
  const bool redoKey = ctrl && ((event.key == display::KEY_z && event.shift()) || event.key == display::KEY_y);
  if ((undoKey || redoKey) && typing()) return Listener::WHATEVER;  // the field's own
  if (undoKey || redoKey) {
    // not in the middle of a drag: the step it makes is not taken yet
    if (mHistory.isStarted() && mButtonsDown == 0) {
      const bool done = undoKey ? mHistory.undo() : mHistory.redo();
      std::printf("%s%s\n", undoKey ? "undo" : "redo", done ? "" : ": nothing to do");
      std::fflush(stdout);
    }
    return Listener::BLOCK;
  }
  const BeatGrid& grid = BeatGrid::active();
  if ((event.key == display::KEY_PAGEUP || event.key == display::KEY_PAGEDOWN) && grid.isOn()) {
    const float now = mKindra->getSystemTime();
    mKindra->setTime(event.key == display::KEY_PAGEUP ? grid.previousBar(now) : grid.nextBar(now));
    return Listener::BLOCK;
  }
  return Listener::WHATEVER;
}

int Gui::onMouseDown(const display::MouseButtonEvent&) {
  ++mButtonsDown;
  mInputPending = true;
  return Listener::WHATEVER;
}

int Gui::onMouseUp(const display::MouseButtonEvent&) {
  if (mButtonsDown > 0) --mButtonsDown;
  mInputPending = true;
  return Listener::WHATEVER;
}

int Gui::onMouseWheel(const display::MouseMoveEvent&) {
  mInputPending = true;
  return Listener::WHATEVER;
}

void Gui::onChangeFocus(bool) {
  mButtonsDown = 0;
  mInputPending = true;
}

int Gui::onCharDown(const display::CharEvent&) {
  mInputPending = true;
  return Listener::WHATEVER;
}

bool Gui::typing() {
  tessel::Control* focus = mTessel.getWorkspace();
  while (focus && focus->getFocus()) focus = focus->getFocus();
  return dynamic_cast<tessel::TextInput*>(focus) && focus->isShown();
}

void Gui::fitTimeline() {
  tessel::Control* effects = mTessel.findControl("effects");
  tessel::Control* scroller = mTessel.findControl("main_scrollbars_horisontal");
  if (!mRuler || !effects || !scroller) return;
  float bottom = 0.0f;
  for (uint32_t i = 0; i < effects->getChildCount(); ++i) {
    tessel::Control* effect = effects->getChild(i);
    if (effect->getVisible()) bottom = std::max(bottom, effect->getArea().mMax.y);
  }
  if (bottom == mFittedHeight) return;
  mFittedHeight = bottom;
  fitRuler(scroller);
}

void Gui::showPlaying() {
  auto* scroller = dynamic_cast<tessel::Scrollbars*>(mTessel.findControl("main_scrollbars_horisontal"));
  tessel::Control* effects = mTessel.findControl("effects");
  if (!scroller || !effects || !mRuler) return;
  const float now = mKindra->getSystemTime();
  const float frameTop = scroller->getFrame()->getAreaWorld().mMin.y - scroller->getScrollPosition().y;
  float top = -1.0f;
  for (uint32_t i = 0; i < effects->getChildCount(); ++i) {
    auto* effect = dynamic_cast<Effect*>(effects->getChild(i));
    if (!effect || !effect->getVisible() || now < effect->mStart || now >= effect->mEnd) continue;
    const float y = effect->getAreaWorld().mMin.y - frameTop;
    if (top < 0.0f || y < top) top = y;
  }
  // the play head a quarter into the view when it is out of it, the first
  // playing bar just below the band (the scroller keeps to its range)
  mathbase::Vector2f to = scroller->getScrollPosition();
  const float width = scroller->getFrame()->getArea().getWidth();
  const float head = now * kUnitsPerSecond;
  if (head < to.x || head > to.x + width) to.x = head - width * 0.25f;
  if (top >= 0.0f) to.y = top - mRuler->getBandHeight() - 4.0f;
  scroller->setScrollPosition(to);
}

void Gui::onDraw() {
  if (!mHistory.isStarted() && !mKindra->isRunningSetup()) mHistory.reset(mKindra->getEffects());
  // a drag is one step: taken when the last button is up
  if (mInputPending && mButtonsDown == 0 && mHistory.isStarted()) {
    mHistory.checkpoint();
    mInputPending = false;
  }
  fitTimeline();
  if (!mShownPlaying && mHistory.isStarted()) {
    mShownPlaying = true;
    showPlaying();
  }
  if (mRuler) {
    mRuler->setShadow(mKindra->getStartTime() * kUnitsPerSecond);
    mRuler->setShadow2(mKindra->getSystemTime() * kUnitsPerSecond);
  }

  const float ms = mExecutionTime * 1000.0f;
  mFrames += 1.0f;
  if (ms > 0.0f && ms < 1000.0f) mCount += ms;
  if (mCount > kStatWindowMs && mFrames > 0.0f) {
    const float average = mCount / mFrames;
    if (mStat) mStat->addValue(average);
    if (mFps) {
      char text[64];
      std::snprintf(text, sizeof(text), "Speed: %.02fms (%.0f fps)", average, 1000.0f / average);
      mFps->setCaption(text);
    }
    mCount = 0.0f;
    mFrames = 0.0f;
  }

  updatePad();
}

void Gui::updatePad() {
  mPadPaused = false;
  if (mPadIndex == -1) return;
  display::GamePadState state;
  display::readGamePad(mPadIndex, state);
  mPadPaused = state.buttons[0] && !mPadButtons[0];
  // the camera editors set keys from the pad's buttons
  if (std::memcmp(mPadButtons, state.buttons, sizeof(mPadButtons)) != 0) mInputPending = true;
  if (state.buttons[5] || state.buttons[7]) {
    mKindra->setTime(mKindra->getSystemTime() + (state.axes[11] - state.axes[9]) * 0.1f);
  }
  std::memcpy(mPadButtons, state.buttons, sizeof(mPadButtons));
}

void Gui::fitRuler(tessel::Control* scroller) {
  if (!mRuler || mFitting) return;
  // setArea below may report the resize again
  mFitting = true;
  const float width = mRuler->getArea().getWidth();
  float height = visibleHeight(scroller);
  if (tessel::Control* effects = mTessel.findControl("effects")) {
    // from the ruler's top to below the last effect
    const float top = effects->getAreaWorld().mMin.y - mRuler->getAreaWorld().mMin.y;
    float bottom = 0.0f;
    for (uint32_t i = 0; i < effects->getChildCount(); ++i) {
      if (effects->getChild(i)->getVisible()) bottom = std::max(bottom, effects->getChild(i)->getArea().mMax.y);
    }
    height = std::max(height, top + bottom + kTimelineMargin);
  }
  mRuler->setArea(tessel::Area(0.0f, 0.0f, width, height));
  scroller->setArea();
  mFitting = false;
}

void Gui::controlAction(tessel::Control* control, tessel::Action action) {
  (void)action;
  if (!control) return;
  const std::string& id = control->getId();
  if (id == "main_scrollbars_horisontal") fitRuler(control);
  if (id == "main_window") {
    // the ruler fills the timeline's visible height, whichever control reported
    if (tessel::Control* scroller = mTessel.findControl("main_scrollbars_horisontal")) fitRuler(scroller);
  }
  if (id == "picker_ok") {
    if (tessel::Control* window = mTessel.findControl("picker_window")) window->setVisible(false);
  }
}

}  // namespace kindra
}  // namespace zelkor
