#include "kin_liveedit.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <set>

#include "dis_display.h"
#include "kin_gui.h"
#include "kin_main.h"
#include "tes_label.h"
#include "tes_render.h"
#include "tes_workspace.h"
#include "tessel.h"
#include "xml_iteratorconst.h"
#include "xml_parser.h"
#include "zlk_system.h"

namespace zelkor {
namespace kindra {

namespace {

// The toolkit's font, for the error line while the editor is hidden.
const char* const kFontFile = "fonthelvete2.png";
const float kLineHeight = 16.0f;
const mathbase::Vector4f kErrorColor(1.0f, 0.45f, 0.4f, 1.0f);

std::string messageOf(const std::exception& e) {
  std::string text = e.what();
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// Every line of `text` broken at spaces so that each fits `width` pixels.
std::vector<std::string> wrap(const std::string& text, float width, const tessel::Render* render) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string rest = text.substr(start, end - start);
    start = end + 1;
    while (!rest.empty()) {
      size_t cut = rest.size();
      while (cut > 1 && render && render->getTextLength(rest.substr(0, cut)) > width) {
        const size_t space = rest.rfind(' ', cut - 1);
        cut = (space != std::string::npos && space > 0) ? space : cut - 1;
      }
      lines.push_back(rest.substr(0, cut));
      rest = rest.substr(cut);
      if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
    }
  }
  return lines;
}

}  // namespace

LiveEdit::LiveEdit(Kindra& engine) : mEngine(engine), mStarted(false) {}

LiveEdit::~LiveEdit() {
  if (mEngine.getArchive().getWatcher() == &mWatcher) mEngine.getArchive().setWatcher(nullptr);
  // its font lives on the display
  if (mRender) mRender->abandonFont();
}

bool LiveEdit::isWanted(Kindra& engine) {
  if (engine.isDumping()) return false;
  am::File file = engine.getArchive().readFile("setup.local.xml");
  if (file.isNull()) file = engine.getArchive().readFile("setup.xml");
  if (file.isNull() || file->length > INT_MAX) return true;
  try {
    xml::XmlParser parser;
    parser.parse(reinterpret_cast<const char*>(file->data), static_cast<int>(file->length), "setup");
    bool wanted = true;
    for (xml::IteratorConst it = parser.createIterator("display"); ++it;) {
      if (it->getValue("live") == "off") wanted = false;
      if (it->getValue("live") == "on") wanted = true;
    }
    return wanted;
  } catch (const std::exception&) {
    return true;  // the engine has read it already; it reports its own faults
  }
}

void LiveEdit::start() {
  mReload.reset(new display::LiveReload(mEngine.getDisplay()));
  mEngine.getArchive().setWatcher(&mWatcher);
  mStarted = true;
  ZLK_LOG("log", "app", "Live editing: files read from directories are watched (%s)",
          mWatcher.usesNotify() ? "change notices" : "modification times");
}

const std::map<std::string, std::string>& LiveEdit::getErrors() const {
  static const std::map<std::string, std::string> none;
  return mReload ? mReload->getErrors() : none;
}

void LiveEdit::setReader(int effect) { mWatcher.setOwner(effect); }

void LiveEdit::update() {
  if (!mStarted) return;
  mChanged.clear();
  mWatcher.poll(mChanged);
  if (mChanged.empty()) return;
  for (const std::string& name : mChanged) {
    if (mReload->fileChanged(name)) continue;
    try {
      setUpEffect(name);
    } catch (const std::exception& e) {
      mReload->setError(name, messageOf(e));
    } catch (...) {
      mReload->setError(name, name + ": could not be used");
    }
  }
  // what was bound may be gone
  if (mEngine.getDisplay()) mEngine.getDisplay()->resetStates();
}

void LiveEdit::setUpEffect(const std::string& name) {
  const int owner = mWatcher.getOwner(name);
  const std::vector<Effect*>& effects = mEngine.getEffects();
  if (owner < 0 || owner >= static_cast<int>(effects.size())) return;  // read at start only (setup file, layout, music)
  Effect* effect = effects[static_cast<size_t>(owner)];
  if (effect->reloadFile(name)) {
    ZLK_LOG("log", "app", "Live editing: %s was set up again from '%s'", effect->mName.c_str(), name.c_str());
    mReload->clearError(name);
  } else {
    ZLK_LOG("log", "app", "Live editing: %s reads '%s' only at start; restart to see the change",
            effect->mName.c_str(), name.c_str());
  }
}

void LiveEdit::showInSidePanel(bool visible) {
  Gui* gui = mEngine.getGui();
  tessel::Control* panel = gui ? gui->getTessel().findControl("main_side") : nullptr;
  if (!panel) return;
  if (mPanelHints.empty()) {
    for (uint32_t i = 0; i < panel->getChildCount(); ++i) {
      tessel::Control* child = panel->getOrder(i);
      if (child && child->getId().compare(0, 5, "hint_") == 0) mPanelHints.push_back(child);
    }
  }
  std::vector<std::string> lines;
  if (visible) {
    for (const auto& error : getErrors()) {
      const std::vector<std::string> more = wrap(error.second, 246.0f, panel->getRender());
      lines.insert(lines.end(), more.begin(), more.end());
    }
  }
  const float top = 130.0f;
  const size_t room = static_cast<size_t>(std::max((panel->getArea().getHeight() - top - 4.0f) / kLineHeight, 1.0f));
  if (lines.size() > room) {
    lines.resize(room);
    lines.back() = "...";
  }
  while (mPanelLines.size() < lines.size()) {
    tessel::Label* label = new tessel::Label;
    label->setName("live_error");
    const float y = top + kLineHeight * static_cast<float>(mPanelLines.size());
    label->setArea(tessel::Area(12.0f, y, 258.0f, y + kLineHeight));
    label->getStyleColors().mText.mColor1 = kErrorColor;
    panel->addControl(label, -1);
    mPanelLines.push_back(label);
  }
  for (size_t i = 0; i < mPanelLines.size(); ++i) {
    mPanelLines[i]->setCaption(i < lines.size() ? lines[i] : std::string());
    mPanelLines[i]->setVisible(i < lines.size());
  }
  for (tessel::Control* hint : mPanelHints) hint->setVisible(lines.empty());
}

void LiveEdit::draw() {
  if (!mStarted) return;
  try {
    drawErrors();
  } catch (const std::exception&) {
    // logged as it was built; the demo goes on without the line
  }
}

void LiveEdit::drawErrors() {
  Gui* gui = mEngine.getGui();
  tessel::Control* workspace = gui ? gui->getTessel().getWorkspace() : nullptr;
  const bool editorShown = workspace && workspace->getVisible();
  // the panel changes only when the errors do, or the editor comes and goes
  if (editorShown != mPanelShown || getErrors() != mPanelErrors) {
    mPanelShown = editorShown;
    mPanelErrors = getErrors();
    showInSidePanel(editorShown);
  }
  if (getErrors().empty() || editorShown) return;

  display::DisplayGL* display = mEngine.getDisplay();
  if (!mRender) {
    mRender.reset(new tessel::Render);
    mRender->setup(display, kFontFile);
  }
  const display::WindowMode& mode = display->getWindowMode();
  const float width = static_cast<float>(mode.width);
  const float height = static_cast<float>(mode.height);
  mRender->setupDraw(mathbase::Vector2f(width, height), mathbase::Vector2f(0.0f, 0.0f), 1.0f);
  mRender->setClipArea(tessel::Area(-2.0f, -2.0f, width, height));
  // the first error's first line, and how many more there are
  std::string line = getErrors().begin()->second.substr(0, getErrors().begin()->second.find('\n'));
  if (getErrors().size() > 1) line += "  (+" + std::to_string(getErrors().size() - 1) + " more; Tab shows all)";
  const std::vector<std::string> lines = wrap(line, width - 16.0f, mRender.get());
  const float boxHeight = kLineHeight * static_cast<float>(lines.size()) + 8.0f;
  mRender->setColor(mathbase::Vector4f(0.0f, 0.0f, 0.0f, 0.75f));
  mRender->drawBox(tessel::Area(0.0f, height - boxHeight, width, height));
  mRender->setColor(kErrorColor);
  for (size_t i = 0; i < lines.size(); ++i) {
    mRender->drawText(mathbase::Vector2f(8.0f, height - boxHeight + 4.0f + kLineHeight * static_cast<float>(i)), lines[i]);
  }
  display->resetStates();
}

}  // namespace kindra
}  // namespace zelkor
