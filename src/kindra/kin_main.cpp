#include "kin_main.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "dis_display_obsolete.h"
#include "dis_glinclude.h"
#include "dis_resource.h"
#include "kin_gui.h"
#include "kin_liveedit.h"
#include "kin_rescue.h"
#include "kin_setting.h"
#include "tessel.h"
#include "tes_layoutstack.h"
#include "tes_workspace.h"
#include "xml_parser.h"
#include "zlk_file.h"
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

namespace {

const char kLocalSetup[] = "setup.local.xml";
const char kSharedSetup[] = "setup.xml";
const float kPi = 3.14159265358979f;
// The demo clock is pulled to the song when they drift further apart.
const float kMusicDrift = 0.05f;
// While the resources are restored the bar is redrawn at most this often:
// a pair of frames per resource took longer than restoring them.
const float kRestoreRedraw = 0.1f;
// While effects set up, the bar is redrawn (and the quit key seen) this often.
const float kSetupRedraw = 0.5f;

// The loading screen runs on real time: a dump's display clock moves by one
// frame step per frame, so with it the screen would last as many frames as
// the dump rate asks for.
float loadingTime(const display::DisplayGL* display) {
  if (display->getWindowMode().fpsMode != WindowMode::FPS_DELTA) return display->getTime();
  static const auto start = std::chrono::steady_clock::now();
  return std::chrono::duration<float>(std::chrono::steady_clock::now() - start).count();
}

// Attributes as the setup file has them: missing means empty, 0 or "not on".
bool isOn(const xml::XmlTag& tag, const char* name) { return tag.getValue(name) == "on"; }

// The ranges of the setup file's numbers (the README lists them). What is
// saved back at exit lies in them too, so the next start reads it the same.
const SettingRange kStartRange{0.0, 86400.0, 0.0};
const SettingRange kLengthRange{0.0, 86400.0, 0.0};
const SettingRange kDelayRange{0.0, 3600.0, 0.0};
// Sizes beyond this pass what X and common GL drivers can draw into.
const SettingRange kWindowRange{1.0, 16384.0, 0.0, true, true};
// The frames of one second of demo time; a faster dump is no dump.
const SettingRange kDumpRateRange{1.0, 1000.0, 60.0};
const SettingRange kRenderScaleRange{0.25, 1.0, 1.0};

std::string format(const char* pattern, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof(buffer), pattern, value);
  return buffer;
}

const char* onOff(bool on) { return on ? "on" : "off"; }

// Identity projection and camera: vertices in normalised device coordinates.
void drawInDeviceCoordinates() {
  mathbase::Matrix4x4Col identity;
  identity.setIdentity();
  display::DisplayObsolete::setProject(identity);
  display::DisplayObsolete::setCamera(identity);
  display::DisplayObsolete::setTransform(identity);
}

}  // namespace

Kindra::Kindra()
    : mIsRunningSetup(false),
      mSetupProgress(0.0f),
      mSetupIntensity(1.0f),
      mDisplay(nullptr),
      mFpsMode(WindowMode::FPS_VARIABLE),
      mNosound(false),
      mMuted(false),
      mSongLength(500.0f),
      mSetup(false),
      mFoundDisplay(false),
      mLoop(false),
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
      mDumping(false),
      mDumpRate(60.0f),
      mDumpFrame(0),
      mDumpStart(0.0),
      mDumpEnd(0.0),
      mDumpFirst(0),
      mDumpFrames(0),
      mDumpEnded(false),
      mLogConsole(false),
      mExecutionTime(0.0f),
      mRunFailed(false),
      mSaveDone(false),
      mSavedAll(true),
      mSongEnded(false),
      mNosoundSetting(false) {}

Kindra::~Kindra() {
  saveAtExit();
  mMusic.remove();
  // Effects may still hold GPU resources of the display. They go before the
  // editor: each leaves the editor's "effects" control as it is released, so
  // the editor never frees one of them.
  for (Effect* effect : mEffect) delete effect;
  mEffect.clear();
  mGui.reset();  // its font lives on the display
  mLive.reset();
  mScaledFrame.reset();
  delete mDisplay;
  mDisplay = nullptr;
  for (auto& entry : mFactory) delete entry.second;
  mFactory.clear();
}

void Kindra::setup(float aspect) {
  mAspect = aspect;
  if (mSetup) return;
  readSetupFile();
}

void Kindra::readSetupFile() {
  // the working directory is always the first archive
  if (mArchive.getArchiveCount() == 0) mArchive.addArchive("./");
  std::string name = kLocalSetup;
  am::File file = mArchive.readFile(name);
  if (file.isNull()) {
    name = kSharedSetup;
    file = mArchive.readFile(name);
  }
  if (file.isNull()) throw Exception("[Kindra] Could not load 'setup.[local.]xml'");
  if (file->length > INT_MAX) throw Exception("%s: The setup file is too large", name.c_str());

  xml::XmlParser parser;
  parser.parse(reinterpret_cast<const char*>(file->data), static_cast<int>(file->length), name);
  const std::string& root = parser.createIterator().getRoot().getName();
  if (root != "demo") {
    throw Exception("%s: The root element is '%s', a setup file has 'demo'", name.c_str(), zlk_printable(root).c_str());
  }

  for (xml::IteratorConst it = parser.createIterator("time"); ++it;) {
    mStartTime = static_cast<float>(readSetting(*it.operator->(), "start", kStartRange, name));
    if (isOn(*it.operator->(), "loop")) mLoop = true;
    mFpsMode = it->getValue("mode") == "vsync" ? WindowMode::FPS_VSYNC : WindowMode::FPS_VARIABLE;
    mSongLength = static_cast<float>(readSetting(*it.operator->(), "length", kLengthRange, name));
  }
  for (xml::IteratorConst it = parser.createIterator("archive"); ++it;) {
    const std::string& path = it->getValue("path");
    ZLK_LOG("log", "app", "Kindra: Adding archive: %s\n", path.c_str());
    if (mArchive.addArchive(path) < 0) ZLK_LOG("warning", "app", "Could not mount the archive '%s'", path.c_str());
  }
  mFullscreen = false;
  for (xml::IteratorConst it = parser.createIterator("display"); ++it;) {
    mFoundDisplay = true;
    // a missing size is left to the window library, which refuses it
    mWidth = it->hasValue("width") ? static_cast<int>(readSetting(*it.operator->(), "width", kWindowRange, name)) : 0;
    mHeight = it->hasValue("height") ? static_cast<int>(readSetting(*it.operator->(), "height", kWindowRange, name)) : 0;
    if (isOn(*it.operator->(), "fullscreen")) mFullscreen = true;
    mTitle = it->getValue("title");
    // absent: 1, exactly the full-size drawing
    mRenderScale = static_cast<float>(readSetting(*it.operator->(), "scale", kRenderScaleRange, name));
  }
  for (xml::IteratorConst it = parser.createIterator("osd"); ++it;) {
    mOsd = isOn(*it.operator->(), "show");
    const std::string& location = it->getValue("location");
    mOsdLocation = location == "middle" ? 1 : location == "bottom" ? 2 : 0;
    // 0 stands for the default; below 0.01 it would be saved as 0
    const float delay = static_cast<float>(readSetting(*it.operator->(), "delay", kDelayRange, name));
    mOsdDelay = delay == 0.0f ? 2.0f : std::max(delay, 0.01f);
  }
  for (xml::IteratorConst it = parser.createIterator("dump"); ++it;) {
    mDumping = true;
    mDumpName = it->getValue("name");
    if (mDumpName.empty()) mDumpName = "untitled";
    const double rate = std::atof(it->getValue("fps").c_str());
    if (!it->getValue("fps").empty() && !(rate > 0.0 && std::isfinite(rate))) {
      ZLK_LOG("warning", "app", "%s: A dump rate of '%s' frames per second cannot be; dumping at 60", name.c_str(),
              zlk_printable(it->getValue("fps")).c_str());
      mDumpRate = 60.0f;
    } else {
      mDumpRate = static_cast<float>(readSetting(*it.operator->(), "fps", kDumpRateRange, name));
    }
    ZLK_LOG("log", "app", "Dumping to '%s' (rate='%f'fps)", mDumpName.c_str(), mDumpRate);
    // a part of the demo: from "start" to "end" seconds
    // (in double: frame n of a range is n / rate exactly, also late in the song)
    const auto seconds = [&it](const char* name) {
      const double value = std::atof(it->getValue(name).c_str());
      return std::isfinite(value) && value > 0.0 && value < 1e9 ? value : 0.0;
    };
    mDumpStart = seconds("start");
    mDumpEnd = seconds("end");
    // the archive takes a name from the root as one inside it
    if (!mDumpName.empty() && (mDumpName[0] == '/' || mDumpName[0] == '\\')) {
      const size_t inside = mDumpName.find_first_not_of("/\\");
      ZLK_LOG("log", "app", "The frames go inside the working directory, to './%s'",
              inside == std::string::npos ? "" : mDumpName.substr(inside).c_str());
    }
    // the last dump element is the one that writes; the default name has no
    // extension of its own
    mDumpVideo.reset();
    const std::string target = it->getValue("name").empty() ? mDumpName + ".png" : mDumpName;
    mDumpVideo.reset(am::VideoFile::createForWrite(
        target, am::VideoFile::Format(0, 0, static_cast<int>(mDumpRate)), &mArchive));
  }
  for (xml::IteratorConst it = parser.createIterator("music"); ++it;) {
    const std::string& mute = it->getValue("mute");
    mNosoundSetting = mute == "nosound";
    mMuted = mute == "on";
    mMusicFilename = it->getValue("filename");
    mBeatGrid = BeatGrid::read(*it.operator->(), name);
  }
  // a dump runs silent, whatever the music element says
  mNosound = mNosoundSetting || mDumping;
  for (xml::IteratorConst it = parser.createIterator("log"); ++it;) mLogConsole = isOn(*it.operator->(), "console");
  mSetup = true;
}

bool Kindra::saveAtExit() {
  if (mSaveDone) return mSavedAll;
  mSaveDone = true;
  // A run that failed may have left effects half loaded: their scripts and
  // the settings stay as they were.
  if (!mSetup || mRunFailed) return mSavedAll;
  try {
    saveXml();
  } catch (const std::exception& e) {
    ZLK_LOG("warning", "app", "Settings not saved: %s", e.what());
    mSavedAll = false;
  }
  return mSavedAll;
}

void Kindra::saveXml() {
  Rescue rescue;
  // Alt+Enter switches the window: the next run opens as this one ended
  if (mDisplay) mFullscreen = mDisplay->getWindowMode().fullscreen;
  am::File file = mArchive.readFile(kLocalSetup);
  if (!file.isNull()) {
    xml::XmlParser parser;
    bool ok = file->length <= INT_MAX;
    try {
      if (ok) parser.parse(reinterpret_cast<const char*>(file->data), static_cast<int>(file->length), kLocalSetup);
    } catch (const Exception&) {
      ok = false;
    }
    if (!ok || parser.createIterator().getRoot().getName() != "demo") {
      ZLK_LOG("warning", "app", "%s is no setup file any more; it is left as it is", kLocalSetup);
      return;
    }

    xml::Iterator display = parser.createIterator("display");
    if (++display) display->setValue("fullscreen", std::string(onOff(mFullscreen)));
    xml::Iterator time = parser.createIterator("time");
    if (!++time) {
      // appended as the root's last child
      time = parser.createIterator();
      while (++time) {
      }
      time.addChild(xml::XmlTag("time"));
    }
    time->setValue("start", format("%.2f", mStartTime));
    time->setValue("length", format("%.6g", mSongLength));
    time->setValue("loop", std::string(onOff(mLoop)));
    // silence forced by a dump or a missing sound device is not a setting
    const std::string mute = mNosoundSetting ? "nosound" : onOff(mMuted);
    for (xml::Iterator it = parser.createIterator("music"); ++it;) it->setValue("mute", mute);
    static const char* const kLocations[] = {"top", "middle", "bottom"};
    for (xml::Iterator it = parser.createIterator("osd"); ++it;) {
      it->setValue("show", std::string(onOff(mOsd)));
      it->setValue("location", std::string(kLocations[mOsdLocation]));
      it->setValue("delay", format("%.2f", mOsdDelay));
    }
    for (xml::Iterator it = parser.createIterator("log"); ++it;) it->setValue("console", std::string(onOff(mLogConsole)));

    std::string text;
    parser.write(text, "\t");
    unsigned char* bytes = new unsigned char[text.size()];
    std::memcpy(bytes, text.data(), text.size());
    // the archive writes beside the file and renames: the old one stays whole
    // until the new one is complete
    if (!mArchive.writeFile(am::File(new am::FileStructure(kLocalSetup, static_cast<long>(text.size()), bytes)))) {
      ZLK_LOG("warning", "app", "Could not write '%s'; the previous one is kept", kLocalSetup);
      rescue.keep(kLocalSetup, text);
    }
  }
  for (Effect* effect : mEffect) {
    std::pair<std::string, std::string> unsaved;
    if (!effect->save(unsaved)) rescue.keep(unsaved.first, unsaved.second);
  }
  // the edits that could not go where they belong are not lost, but the run
  // did not end well
  mSavedAll = rescue.empty();
  rescue.write();
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
  if (!mNosound) openSound(mMusicFilename);
}

void Kindra::openSound(const std::string& filename) {
  am::File file = mArchive.readFile(filename);
  if (file.isNull()) throw Exception("Could not open the file '%s'!", filename.c_str());
  mNosound = !mMusic.setup(file);
}

void Kindra::openDisplay(int pX, int pY, bool pFullscreen, const std::string& pTitle) {
  WindowMode mode(pTitle, pX, pY, pFullscreen);
  mDisplay = display::DisplayGL::create();
  mDisplay->addListener(this);
  if (mDumpVideo) {
    // frames at a fixed step of the demo clock, as fast as they can be made
    mode.fpsMode = WindowMode::FPS_DELTA;
    mode.fps = mDumpRate;
  } else {
    mode.fpsMode = mFpsMode;
  }
  mDisplay->open(mode);
  mDisplay->setArchive(&mArchive);
  mDisplay->setRenderScale(mRenderScale);
  mScaledFrame.reset(new RenderScale(mDisplay));
  if (mDumpVideo) {
    // the frames have the size the window really got
    const WindowMode& opened = mDisplay->getWindowMode();
    if (opened.width <= 0 || opened.height <= 0 || (opened.height & 1) != 0) {
      throw Exception("Frames cannot be dumped from a window of %d x %d pixels; the height must be even",
                      opened.width, opened.height);
    }
    if (mDumpImage.isNull()) mDumpImage = new am::ImageObject(0, 0, nullptr, nullptr, "");
    mDumpImage->resize(opened.width, opened.height);
    mDumpVideo->attach(mDumpImage);
  }
}

// ------------------------------------------------------------ loading screen

SetupEffectProgressUpdate::SetupEffectProgressUpdate(display::DisplayGL* display, Kindra* context, float minProgress,
                                                     float maxProgress)
    : m_display(display),
      m_context(context),
      m_minProgress(minProgress),
      m_maxProgress(maxProgress),
      m_lastUpdateTime(-1000.0f) {}

void SetupEffectProgressUpdate::updateProgress(float fraction) {
  const float overall = m_minProgress + (m_maxProgress - m_minProgress) * fraction;
  const float now = loadingTime(m_display);
  // redrawn only now and then: the frames cost the effect's set-up time
  if (now - m_lastUpdateTime <= kSetupRedraw) return;
  m_lastUpdateTime = now;
  if (!m_context->updateProgress(overall)) throw UserCancelledException();
}

bool Kindra::updateProgress(float progress) {
  mSetupProgress = progress;
  return mDisplay->update() && mDisplay->update();
}

bool Kindra::runSetup() {
  mIsRunningSetup = true;
  mSetupIntensity = 1.0f;
  mSetupProgress = 0.0f;
  const size_t count = mEffect.size();
  for (size_t i = 0; i < count; ++i) {
    SetupEffectProgressUpdate progress(mDisplay, this, static_cast<float>(i) / count * 0.5f,
                                       static_cast<float>(i + 1) / count * 0.5f);
    try {
      if (mLive) mLive->setReader(static_cast<int>(i));
      mEffect[i]->setup(progress);
    } catch (const UserCancelledException&) {
      return false;
    }
  }
  if (mLive) mLive->setReader(-1);
  if (!updateProgress(0.5f)) return false;

  // The resources were made while no frame drew; build them now, behind the
  // bar, instead of on their first use in the demo.
  std::set<display::Resource*>& registry = mDisplay->getResources();
  const std::vector<display::Resource*> resources(registry.begin(), registry.end());
  float lastRedraw = loadingTime(mDisplay);
  for (size_t k = 0; k < resources.size(); ++k) {
    const float progress = static_cast<float>(k) / resources.size() * 0.5f + 0.5f;
    const float now = loadingTime(mDisplay);
    if (now - lastRedraw >= kRestoreRedraw) {
      lastRedraw = now;
      if (!updateProgress(progress)) return false;
    } else {
      mSetupProgress = progress;
    }
    display::Resource* resource = resources[k];
    // one released meanwhile is gone
    if (registry.count(resource) && resource->isDisposed()) resource->restoreResource();
    GL_CHECK_STATUS();
  }
  if (!updateProgress(1.0f)) return false;

  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);
  glColor3f(0.01f, 0.01f, 0.01f);
  const float start = loadingTime(mDisplay);
  const float fade = 1.0f;
  for (;;) {
    const float now = loadingTime(mDisplay);
    mSetupIntensity = std::max(0.0f, std::cos((now - start) * kPi * 0.5f / fade));
    if (!updateProgress(1.0f)) return false;
    if (now >= start + fade) break;
  }
  glDisable(GL_BLEND);
  mIsRunningSetup = false;
  return true;
}

void Kindra::drawSetupFrame() {
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  drawInDeviceCoordinates();
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);

  // rings stay round on any shape of the drawing area
  const WindowMode& mode = mDisplay->getWindowMode();
  const int width = mode.activeWidth > 0 ? mode.activeWidth : mode.width;
  const int height = mode.activeHeight > 0 ? mode.activeHeight : mode.height;
  const float squeeze = width > 0 && height > 0 ? static_cast<float>(height) / width : 1.0f;

  const int kSteps = 1000;
  for (int i = 0; i < 3; ++i) {
    // left ring first, then the right one, the middle one last
    const float fill = std::min(1.0f, 3.0f * mSetupProgress - (i == 1 ? 2.0f : i == 2 ? 1.0f : 0.0f));
    const float centre = static_cast<float>(i - 1) * 0.26f;
    const float scale = i != 1 ? 0.7f : 1.0f;
    glBegin(GL_QUAD_STRIP);
    for (int k = 0; k < 2; ++k) {
      const float r1 = 0.2f * scale;
      const float r2 = (k == 0 ? 0.3f : 0.185f) * scale;
      for (int j = 0; j < kSteps; ++j) {
        const float t = static_cast<float>(j) / (kSteps - 1);
        const float a = 2.0f * kPi * t;
        const float sa = std::sin(a);
        const float ca = std::cos(a);
        if (fill >= t) {
          if (i == 1) glColor4f(1.0f, 0.9f, 0.6f, mSetupIntensity);
          else glColor4f(0.2f, 0.2f, 0.2f, mSetupIntensity);
        } else {
          glColor4f(0.1f, 0.1f, 0.1f, mSetupIntensity);
        }
        glVertex2f(sa * r1 * squeeze + centre, ca * r1);
        glColor4f(0.0f, 0.0f, 0.0f, mSetupIntensity);
        glVertex2f(sa * r2 * squeeze + centre, ca * r2);
      }
    }
    glEnd();
  }
  glDisable(GL_BLEND);
}

// ------------------------------------------------------------ run

void Kindra::run() {
  try {
    // a dump that cannot be made is refused before any window opens
    if (mFoundDisplay && mDumpVideo) startDump();
    openDevices();
    if (!mFoundDisplay) return;
    if (LiveEdit::isWanted(*this)) {
      mLive.reset(new LiveEdit(*this));
      mLive->start();
    }
    for (Effect* effect : mEffect) effect->load(mDisplay);
    // the editor's controls over the demo, when the data has a layout
    if (!mArchive.readFile(Gui::kLayoutFile).isNull()) {
      std::puts("\nLoading gui");
      std::fflush(stdout);
      mGui.reset(new Gui(mDisplay, this));
      mDisplay->addListener(mGui.get());
      try {
        mGui->setup();
      } catch (const Exception&) {
        // the editor is the maker's tool: a broken layout (named in the
        // exception's own line) must not stop the show
        ZLK_LOG("error", "app", "%s: The editor cannot be built; the demo plays without it", Gui::kLayoutFile);
        mDisplay->removeListener(mGui.get());
        mGui.reset();
      }
      if (mGui) showEffectsInEditor();
    }
    if (!runSetup()) return;
    if (hasMusic()) {
      mMusic.play();
      mSongLength = mMusic.getSongLength();
      mMusic.mute(mMuted);
    }
    std::puts("\n---");
    std::fflush(stdout);
    setTime(mStartTime);
    mOsdTime = -100.0f;
    // the song's end, or the dump's, stops the frames as the quit key does
    while (!mSongEnded && !mDumpEnded && mDisplay->update()) {
    }
    if (mDumpVideo) {
      // the writers finish the frames still in hand
      if (!mDumpVideo->close() && mDumpError.empty()) {
        mDumpError = "the frame '" + mDumpVideo->getFailedFrame() + "' could not be written";
      }
      if (!mDumpError.empty()) {
        throw Exception("The dump stopped with %ld of %ld frames drawn: %s", mDumpFrame, mDumpFrames, mDumpError.c_str());
      }
      if (mDumpFrame < mDumpFrames) {
        ZLK_LOG("log", "app", "The dump was ended after %ld of %ld frames", mDumpFrame, mDumpFrames);
      } else {
        ZLK_LOG("log", "app", "Dumped %ld frames", mDumpFrame);
      }
    }
  } catch (...) {
    mRunFailed = true;
    throw;
  }
}

void Kindra::showEffectsInEditor() {
  tessel::Control* found = mGui->getTessel().findControl("effects");
  tessel::LayoutStack* effects = dynamic_cast<tessel::LayoutStack*>(found);
  if (!effects) {
    ZLK_LOG("warning", "app", "layout.xml: %s; the effects have no bars in the editor",
            found ? "the control 'effects' is no layoutstack" : "there is no control 'effects'");
    return;
  }
  // The stack shows the effects; the engine keeps owning them (they leave
  // the stack when they are released, before the editor).
  for (Effect* effect : mEffect) {
    effects->addControl(effect, -1);
    effect->setupControl();
    effects->recalculate(true);
  }
  // Adding focuses each control in turn; the keys stay the demo's until the
  // user clicks into the editor (a focused curve editor takes the arrows).
  mGui->getTessel().getWorkspace()->clearFocus();
}

void Kindra::startDump() {
  // No song plays during a dump, but its length still ends the timeline.
  if (!mNosoundSetting) {
    am::File song = mMusicFilename.empty() ? am::File() : mArchive.readFile(mMusicFilename);
    if (!song.isNull() && mMusic.setup(song)) {
      mSongLength = mMusic.getSongLength();
    } else {
      ZLK_LOG("warning", "app", "The length of the song '%s' is not known; the dump covers the time element's %g s",
              mMusicFilename.c_str(), mSongLength);
    }
  }
  // frame n shows the demo at n / rate, so n counts whole frames of the song;
  // a dump from "start" to "end" writes frames first ... last - 1 of them
  const double first = std::floor(static_cast<double>(mDumpStart) * mDumpRate + 0.5);
  const double end = mDumpEnd > 0.0 ? mDumpEnd : mSongLength;
  const double frames = std::ceil(end * mDumpRate - 1e-6) - first;
  if (!(frames >= 1.0) || first + frames > static_cast<double>(INT_MAX)) {
    if (mDumpStart > 0.0 || mDumpEnd > 0.0) {
      throw Exception("Nothing can be dumped from %g to %g seconds at %g frames per second", mDumpStart, end,
                      mDumpRate);
    }
    throw Exception("Nothing can be dumped of a timeline of %g seconds at %g frames per second", mSongLength,
                    mDumpRate);
  }
  mDumpFirst = static_cast<long>(first);
  mDumpFrames = static_cast<long>(frames);
  if (mDumpVideo) mDumpVideo->setFrameNumber(static_cast<int>(mDumpFirst));
  if (mDumpFirst > 0) ZLK_LOG("log", "app", "The dump begins with frame %ld (%g s)", mDumpFirst, mDumpFirst / mDumpRate);
  mDumpFrame = 0;
  mDumpEnded = false;
  ZLK_LOG("log", "app", "Dumping %ld frames (%g s at %g frames per second)", mDumpFrames,
          end - mDumpFirst / mDumpRate, mDumpRate);
}

float Kindra::dumpTime() const {
  return static_cast<float>(static_cast<double>(mDumpFirst + mDumpFrame) / mDumpRate);
}

void Kindra::dumpFrame() {
  const WindowMode& mode = mDisplay->getWindowMode();
  if (mode.width != mDumpImage->getWidth() || mode.height != mDumpImage->getHeight()) {
    mDumpError = "the window changed from " + std::to_string(mDumpImage->getWidth()) + " x " +
                 std::to_string(mDumpImage->getHeight()) + " to " + std::to_string(mode.width) + " x " +
                 std::to_string(mode.height) + " pixels";
    ZLK_LOG("error", "app", "Dumping ends: %s", mDumpError.c_str());
    mDumpEnded = true;
    return;
  }
  mDisplay->getScreenShot(mDumpImage);
  mDumpVideo->writeFrame();
  ++mDumpFrame;
  if (mDumpFrame >= mDumpFrames || mDumpVideo->hasFailed()) mDumpEnded = true;
}

void Kindra::readClock() {
  if (mDumpVideo) {
    // the dump's own clock: whatever the wall clock, the pause or the keys
    mSystemTime = dumpTime();
    mMusicTime = mSystemTime;
    return;
  }
  mSystemTime = mPaused ? mPausedTime : mClock.getTime();
  mMusicTime = mSystemTime;
}

void Kindra::getTime() {
  readClock();
  if (!hasMusic()) return;
  mMusicTime = mMusic.getTime();
  // The demo clock follows the song: when the stream runs ahead or falls
  // behind, the clock is pulled to it.
  if (!mPaused && std::fabs(mMusicTime - mSystemTime) > kMusicDrift) {
    mClock.setTime(mMusicTime);
    mSystemTime = mMusicTime;
  }
}

void Kindra::setTime(float pSetTime) {
  // a dump always runs from 0 to the end, frame by frame
  if (mDumpVideo) return;
  float t = pSetTime > 0.0f ? pSetTime : 0.0f;  // NaN too
  if (hasMusic()) {
    // the seek lands where the stream can go
    mMusic.setTime(t);
    t = mMusic.getTime();
  }
  // the next frame's delta starts from the jump, not from before it
  mLastTime = t;
  mHasLastTime = true;
  mClock.setTime(t);
  if (mPaused) mPausedTime = t;
  mOsdTime = t;
}

void Kindra::onDraw() {
  if (mIsRunningSetup) {
    drawSetupFrame();
    return;
  }
  if (mLive) mLive->update();
  if (mGui && mGui->getPadPaused()) {
    KeyEvent space;
    space.key = display::KEY_SPACE;
    onKeyDown(space);
  }
  if (hasMusic() && mMusic.update()) {
    if (!mLoop) {
      mSongEnded = true;
      return;
    }
    mMusic.setTime(0.0f);
    mClock.setTime(0.0f);
    mLastTime = 0.0f;
  }
  getTime();
  if (!mHasLastTime) {
    mLastTime = mSystemTime;
    mHasLastTime = true;
  }
  const float t0 = mDisplay->getTime();
  const float delta = mSystemTime - mLastTime;
  if (mScaledFrame) mScaledFrame->begin();
  for (Effect* effect : mEffect) {
    if (effect->getInactive()) continue;
    if (!(effect->mStart <= mSystemTime && mSystemTime < effect->mEnd)) continue;
    const float local = mSystemTime - effect->mStart;
    effect->update(local);
    effect->draw(local, delta, local / (effect->mEnd - effect->mStart));
  }
  if (mScaledFrame) mScaledFrame->end();
  mLastTime = mSystemTime;
  mExecutionTime = mDisplay->getTime() - t0;
  if (mGui) mGui->setExecutionTime(mExecutionTime);

  // before the progress bar, which is only for the screen
  if (mDumpVideo && !mDumpEnded) dumpFrame();
  if (mLive) mLive->draw();
  if (isOsdShowing() || mDumpVideo) {
    mDisplay->resetStates();
    drawOsd();
  }
}

void Kindra::drawOsd() {
  drawInDeviceCoordinates();
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
  // while loading, nothing plays yet that keys could move
  if (mIsRunningSetup) return Listener::WHATEVER;
  if (key == display::KEY_LEFT) setTime(mSystemTime - 5.0f);
  if (key == display::KEY_RIGHT) setTime(mSystemTime + 5.0f);
  if (key == display::KEY_p) ZLK_LOG("log", "app", "%f\n", mSystemTime);
  if (key == display::KEY_SPACE) {
    mPausedTime = mSystemTime;
    mPaused = !mPaused;
    mOsdTime = mSystemTime;
    if (hasMusic()) mMusic.pause(mPaused);
    if (!mPaused) mClock.setTime(mPausedTime);
  }
  if (key == display::KEY_t) {
    if (event.ctrl()) {
      mStartTime = mMusicTime;
      mOsdTime = mSystemTime;
    } else {
      // the jump shows the bar from where it lands, as any seek
      if (event.alt()) mStartTime = 0.0f;
      setTime(mStartTime);
    }
  }
  if (key == display::KEY_m) {
    mMuted = !mMuted;
    if (hasMusic()) mMusic.mute(mMuted);
  }
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
