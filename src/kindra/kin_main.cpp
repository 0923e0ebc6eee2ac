#include "kin_main.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "dis_display_obsolete.h"
#include "dis_glinclude.h"
#include "zlk_system.h"

namespace zelkor {

// The application's log back end: one line per record on standard output.
void zlk_log_callback(const LogData& data) {
  const char* file = data.file ? data.file : "";
  for (const char* p = file + std::strlen(file); p > file; --p) {
    const char c = p[-1];
    if (c == '\\' || c == '/' || c == ':') {
      file = p;
      break;
    }
  }
  const char* function = data.function ? data.function : "";
  static const char kPrefix[] = "zelkor::";
  if (std::strncmp(function, kPrefix, sizeof(kPrefix) - 1) == 0) function += sizeof(kPrefix) - 1;

  std::printf("[%s][%s], %s (%s:%d)\n", data.type, function, data.message, file, data.line);
  std::fflush(stdout);  // keep lines in order with other output, even on a crash
}

namespace kindra {

using display::DisplayObsolete;
using display::KeyEvent;
using display::Listener;
using display::WindowMode;

Kindra::Kindra()
    : mDisplay(nullptr),
      mFpsMode(WindowMode::FPS_VARIABLE),
      mNosound(false),
      mMuted(false),
      mSongLength(500.0f),
      mSetup(false),
      mFoundDisplay(false),
      mPaused(false),
      mStartTime(0.0f),
      mLastTime(0.0f),
      mHasLastTime(false),
      mMusicTime(0.0f),
      mSystemTime(0.0f),
      mPausedTime(0.0f),
      mFullscreen(false),
      mAspect(-1.0f),
      mHeight(0),
      mWidth(0),
      mOsd(true),
      mOsdLocation(0),
      mOsdDelay(2.0f),
      mOsdTime(-100.0f),
      mExecutionTime(0.0f) {}

Kindra::~Kindra() {
  // effects may still hold GPU resources of the display
  for (Effect* effect : mEffect) delete effect;
  mEffect.clear();
  delete mDisplay;
  mDisplay = nullptr;
  for (auto& entry : mFactory) delete entry.second;
  mFactory.clear();
}

void Kindra::setup(float aspect) {
  mAspect = aspect;
  if (mSetup) return;
  // Built-in settings, those of the shipped data/setup.xml: an 800x600
  // window with vertical sync, and the demo clock as the time source.
  mFoundDisplay = true;
  mWidth = 800;
  mHeight = 600;
  mFullscreen = false;
  mTitle = "Kindra";
  mFpsMode = WindowMode::FPS_VSYNC;
  mNosound = true;
  mSetup = true;
}

void Kindra::addFactory(const std::string& pName, EffectFactoryBase* pFactory) {
  EffectFactoryBase*& slot = mFactory[pName];
  if (slot != pFactory) delete slot;
  slot = pFactory;
}

Effect* Kindra::addEffect(const std::string& pType, const std::string& pName) {
  const auto found = mFactory.find(pType);
  if (found == mFactory.end() || !found->second) {
    ZLK_LOG("log", "app", "Effect %s not found.", pType.c_str());
    return nullptr;
  }
  Effect* effect = found->second->create();
  effect->mType = pType;
  effect->mName = pName;
  effect->mStart = 0.0f;
  effect->mEnd = 10.0f;
  mEffect.push_back(effect);
  return effect;
}

void Kindra::openDevices() {
  if (mFoundDisplay) openDisplay(mWidth, mHeight, mFullscreen, mTitle);
}

void Kindra::openDisplay(int pX, int pY, bool pFullscreen, const std::string& pTitle) {
  WindowMode mode(pTitle, pX, pY, pFullscreen);
  mDisplay = display::DisplayGL::create();
  mDisplay->addListener(this);
  mode.fpsMode = mFpsMode;
  mDisplay->open(mode);
}

bool Kindra::runSetup() {
  for (Effect* effect : mEffect) effect->setup();
  return true;
}

void Kindra::run() {
  openDevices();
  if (!mFoundDisplay) return;
  for (Effect* effect : mEffect) effect->load(mDisplay);
  if (!runSetup()) return;
  std::puts("\n---");
  std::fflush(stdout);
  setTime(mStartTime);
  mOsdTime = -100.0f;
  mDisplay->updateBlocking();
}

void Kindra::readClock() {
  mSystemTime = mPaused ? mPausedTime : mClock.getTime();
  mMusicTime = mSystemTime;
}

void Kindra::getTime() { readClock(); }

void Kindra::setTime(float pSetTime) {
  const float t = std::max(pSetTime, 0.0f);
  // the next frame's delta starts from the jump, not from before it
  mLastTime = t;
  mHasLastTime = true;
  mClock.setTime(t);
  if (mPaused) mPausedTime = t;
  mOsdTime = t;
}

void Kindra::onDraw() {
  getTime();
  if (!mHasLastTime) {
    mLastTime = mSystemTime;
    mHasLastTime = true;
  }
  const float t0 = mDisplay->getTime();
  const float delta = mSystemTime - mLastTime;
  for (Effect* effect : mEffect) {
    if (effect->getInactive()) continue;
    if (!(effect->mStart <= mSystemTime && mSystemTime < effect->mEnd)) continue;
    const float local = mSystemTime - effect->mStart;
    effect->update(local);
    effect->draw(local, delta, local / (effect->mEnd - effect->mStart));
  }
  mLastTime = mSystemTime;
  mExecutionTime = mDisplay->getTime() - t0;

  if (isOsdShowing()) {
    mDisplay->resetStates();
    drawOsd();
  }
}

void Kindra::drawOsd() {
  mathbase::Matrix4x4Col identity;
  identity.setIdentity();
  DisplayObsolete::setProject(identity);
  DisplayObsolete::setCamera(identity);
  DisplayObsolete::setTransform(identity);
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);

  const float y = static_cast<float>(mOsdLocation - 1) * -0.9313726f;
  // marks stay on the bar, also without a song length or past its end
  const auto position = [this](float time) {
    const float fraction = mSongLength > 0.0f ? std::min(std::max(time / mSongLength, 0.0f), 1.0f) : 0.0f;
    return fraction * 2.0f * 0.98f - 0.98f;
  };

  DisplayObsolete::setColor(0.0f, 0.0f, 0.0f, 0.6f);
  DisplayObsolete::drawBox(-0.98f, y - 0.03f, 0.98f, y + 0.03f, DisplayObsolete::SOLID);
  const float start = position(mStartTime);
  DisplayObsolete::setColor(0.0f, 1.0f, 0.0f, 0.6f);
  DisplayObsolete::drawBox(start, y - 0.028f, start + 0.005f, y + 0.028f, DisplayObsolete::SOLID);
  const float head = position(mMusicTime);
  DisplayObsolete::setColor(1.0f, 1.0f, 1.0f, 0.8f);
  DisplayObsolete::drawBox(head, y - 0.028f, head + 0.005f, y + 0.028f, DisplayObsolete::SOLID);

  glLineWidth(1.0f);
  DisplayObsolete::setColor(0.0f, 0.0f, 0.0f, 1.0f);
  glBegin(GL_LINE_STRIP);
  glVertex2f(-0.98f, y - 0.03f);
  glVertex2f(0.98f, y - 0.03f);
  glVertex2f(0.98f, y + 0.03f);
  glVertex2f(-0.98f, y + 0.03f);
  glVertex2f(-0.98f, y - 0.03f);
  glEnd();
}

void Kindra::onResize(int, int) {
  if (mAspect <= 0.0f || !mDisplay) return;
  const WindowMode& mode = mDisplay->getWindowMode();
  int width = mode.width;
  int height = static_cast<int>(static_cast<float>(width) / mAspect);
  if (mode.height < height) {
    height = mode.height;
    width = static_cast<int>(static_cast<float>(height) * mAspect);
  }
  mDisplay->setActiveResolution(width & ~1, height & ~1);
}

int Kindra::onKeyDown(const KeyEvent& event) {
  // keys act on the current time, also when several arrive in one frame
  readClock();
  const display::Key key = event.key;
  if (key == display::KEY_ESC || key == display::KEY_q) return Listener::QUIT;
  if (key == display::KEY_LEFT) setTime(mSystemTime - 5.0f);
  if (key == display::KEY_RIGHT) setTime(mSystemTime + 5.0f);
  if (key == display::KEY_p) ZLK_LOG("log", "app", "%f\n", mSystemTime);
  if (key == display::KEY_SPACE) {
    mPausedTime = mSystemTime;
    mPaused = !mPaused;
    mOsdTime = mSystemTime;
    if (!mPaused) mClock.setTime(mPausedTime);
  }
  if (key == display::KEY_t) {
    if (event.ctrl()) {
      mStartTime = mMusicTime;
    } else {
      if (event.alt()) mStartTime = 0.0f;
      setTime(mStartTime);
    }
    mOsdTime = mSystemTime;
  }
  if (key == display::KEY_m) mMuted = !mMuted;
  if (key == display::KEY_o) {
    if (event.ctrl()) {
      mOsd = !mOsd;
    } else {
      if (mOsdTime + mOsdDelay >= mSystemTime) mOsdLocation = (mOsdLocation + 1) % 3;
      mOsdTime = mSystemTime;
    }
  }
  return Listener::WHATEVER;
}

}  // namespace kindra
}  // namespace zelkor
