#include "tes_textinput.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tes_paint.h"
#include "tes_workspace.h"
#include "xml_tag.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;
namespace dis = display;

namespace {
bool printable(int c) { return c >= 32 && c <= 126; }

bool isExponent(char c) { return c == 'e' || c == 'E'; }
}  // namespace

TextInput::TextInput()
    : mNumeric(false),
      mInsert(true),
      mBorder(4.0f),
      mMouseDown(false),
      mPassword(false),
      mPasswordChar('*'),
      mCaret(0),
      mSelectionStart(0),
      mSelection(false),
      mTextOffset(0.0f) {
  mType = "textinput";
}

void TextInput::load(xml::IteratorConst& it) {
  Control::load(it);
  const xml::XmlTag& tag = *it.operator->();
  if (tag.hasValue("type")) {
    const std::string& type = tag.getValue("type");
    mNumeric = type == "numeric";
    mPassword = type == "password";
  }
  if (tag.hasValue("inactive")) setInactive(tag.getValue("inactive") == "true");
  if (tag.hasValue("text")) setText(tag.getValue("text"));
}

void TextInput::setCaption(std::string caption) { setText(caption); }

void TextInput::setText(const std::string& text) {
  // a text from the program starts a new history
  mUndo.clear();
  mRedo.clear();
  mText = text;
  Control::setCaption(text);
  mCaret = static_cast<int>(mText.size());
  mSelectionStart = mCaret;
  mSelection = false;
}

void TextInput::setCaret(int caret) { moveCaret(caret, false); }

void TextInput::getSelection(int& from, int& to) const {
  if (!hasSelection()) {
    from = to = mCaret;
    return;
  }
  from = std::min(mSelectionStart, mCaret);
  to = std::max(mSelectionStart, mCaret);
}

void TextInput::select(int from, int to) {
  const int size = static_cast<int>(mText.size());
  mSelectionStart = std::max(0, std::min(from, size));
  mCaret = std::max(0, std::min(to, size));
  mSelection = mSelectionStart != mCaret;
}

std::string TextInput::getSelectedText() const {
  int from, to;
  getSelection(from, to);
  return mText.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
}

bool TextInput::isNumericText(const std::string& text) {
  bool point = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') continue;
    if (isExponent(c)) continue;
    if (c == '.') {
      if (point) return false;
      point = true;
      continue;
    }
    if (c == '+' || c == '-') {
      if (i == 0 || isExponent(text[i - 1])) continue;
      return false;
    }
    return false;
  }
  return true;
}

Workspace* TextInput::workspace() { return dynamic_cast<Workspace*>(getRoot()); }

std::string TextInput::shown() const { return mPassword ? std::string(mText.size(), mPasswordChar) : mText; }

void TextInput::moveCaret(int caret, bool extend) {
  caret = std::max(0, std::min(caret, static_cast<int>(mText.size())));
  if (extend) {
    if (!mSelection) {
      mSelectionStart = mCaret;
      mSelection = true;
    }
  } else {
    mSelection = false;
  }
  mCaret = caret;
  if (mCaret == mSelectionStart) mSelection = false;
}

void TextInput::changed() {
  Control::setCaption(mText);
  sendAction(ACTION_TEXT_CHANGED);
}

bool TextInput::replace(const std::string& text, bool overwrite) {
  int from, to;
  getSelection(from, to);
  if (from == to && overwrite) to = std::min(static_cast<int>(mText.size()), from + static_cast<int>(text.size()));
  std::string next = mText;
  next.replace(static_cast<size_t>(from), static_cast<size_t>(to - from), text);
  if (mNumeric && !isNumericText(next)) return false;
  if (next == mText) return false;
  mUndo.push_back(mText);
  if (mUndo.size() > kUndoDepth) mUndo.erase(mUndo.begin());
  mRedo.clear();
  mText.swap(next);
  mCaret = from + static_cast<int>(text.size());
  mSelection = false;
  mSelectionStart = mCaret;
  changed();
  return true;
}

bool TextInput::eraseSelection() { return hasSelection() && replace(std::string(), false); }

void TextInput::eraseRange(int from, int to) {
  const int caret = mCaret;
  select(from, to);
  // refused (numeric mode): the caret stays and nothing is selected
  if (!eraseSelection()) moveCaret(caret, false);
}

void TextInput::copy() {
  // a password stays in its field
  if (mPassword || !hasSelection()) return;
  const std::string text = getSelectedText();
  if (Workspace* root = workspace()) {
    root->setCopyString(text);
  } else {
    mCopy = text;
  }
}

bool TextInput::paste() {
  Workspace* root = workspace();
  const std::string& copied = root ? root->getCopyString() : mCopy;
  // one line of plain characters: what else was copied stays out
  std::string text;
  for (char c : copied) {
    if (printable(static_cast<unsigned char>(c))) text += c;
  }
  std::printf("TextInput: paste: %s\n", text.c_str());
  std::fflush(stdout);
  return replace(text, false);
}

bool TextInput::undo(bool back) {
  std::vector<std::string>& from = back ? mUndo : mRedo;
  std::vector<std::string>& to = back ? mRedo : mUndo;
  if (from.empty()) return false;
  to.push_back(mText);
  mText = from.back();
  from.pop_back();
  mCaret = mSelectionStart = static_cast<int>(mText.size());
  mSelection = false;
  changed();
  return true;
}

int TextInput::handleKey(const Event& event) {
  const bool shift = event.shift();
  const bool ctrl = event.ctrl();
  const int size = static_cast<int>(mText.size());
  switch (event.key) {
    case dis::KEY_LEFT:
      moveCaret(mCaret - 1, shift);
      return 1;
    case dis::KEY_RIGHT:
      moveCaret(mCaret + 1, shift);
      return 1;
    case dis::KEY_HOME:
      moveCaret(0, shift);
      return 1;
    case dis::KEY_END:
      moveCaret(size, shift);
      return 1;
    case dis::KEY_BACKSPACE:
      if (hasSelection()) {
        eraseSelection();
      } else if (mCaret > 0) {
        eraseRange(mCaret - 1, mCaret);
      }
      return 1;
    case dis::KEY_DEL:
    case dis::KEY_DELETE:
      if (hasSelection()) {
        eraseSelection();
      } else if (mCaret < size) {
        eraseRange(mCaret, mCaret + 1);
      }
      return 1;
    case dis::KEY_INSERT:
      if (shift) {
        paste();
      } else if (!ctrl) {
        mInsert = !mInsert;
      }
      return 1;
    default:
      break;
  }
  if (ctrl && event.key == dis::KEY_c) {
    copy();
    return 1;
  }
  if (ctrl && event.key == dis::KEY_v) {
    paste();
    return 1;
  }
  // the field's own edits, not the program's: the keys stay here
  if (ctrl && !event.alt() && (event.key == dis::KEY_z || event.key == dis::KEY_y)) {
    undo(event.key == dis::KEY_z && !shift);
    return 1;
  }
  // the keys of typed characters belong to the field (not to the program's
  // own key commands) while it has the keyboard
  if (!ctrl && !event.alt() && event.key >= dis::KEY_SPACE && event.key < dis::KEY_DELETE) return 1;
  return 0;
}

int TextInput::handleEvent(Event& event) {
  const int used = Control::handleEvent(event);
  if (event.type == "mouseup" && mMouseDown) {
    mMouseDown = false;
    return 1;
  }
  if (event.type == "mousemove" && mMouseDown) {
    moveCaret(findTextPosition(event.mousePosWorld), true);
    return 1;
  }
  if (mInactive) return used;
  // keys count only when the field has the keyboard, not when they pass by,
  // and not while it is hidden (a closed window keeps its focus chain)
  if (event.isKeyEvent() && (!hasFocus() || !isShown())) return used;
  if (event.type == "mousedown" && event.button == dis::MOUSE_LEFT && isMouseInside(event)) {
    if (event.doubleClick) {
      select(0, static_cast<int>(mText.size()));
      return 1;
    }
    mMouseDown = true;
    moveCaret(findTextPosition(event.mousePosWorld), event.shift());
    return 1;
  }
  if (event.type == "keydown") return handleKey(event);
  if (event.type == "keyup") {
    return !event.ctrl() && !event.alt() && event.key >= dis::KEY_SPACE && event.key < dis::KEY_DELETE ? 1 : 0;
  }
  if (event.type == "keychardown") {
    if (!printable(event.keyChar)) return 0;
    replace(std::string(1, static_cast<char>(event.keyChar)), !mInsert);
    return 1;
  }
  if (event.type == "keycharup") return printable(event.keyChar) ? 1 : 0;
  return used;
}

int TextInput::findTextPosition(Vector2f position) {
  Render* render = getRender();
  const std::string text = shown();
  const float x = position.x - (getAreaWorld().mMin.x + mBorder - mTextOffset);
  float left = 0.0f;
  for (size_t i = 0; i < text.size(); ++i) {
    const float right = textLength(render, text.substr(0, i + 1));
    if (x < (left + right) / 2.0f) return static_cast<int>(i);
    left = right;
  }
  return static_cast<int>(text.size());
}

void TextInput::draw(Area area, Area base, Area clip) {
  Render* render = getRender();
  if (render) {
    const bool focused = hasFocus() && !mInactive;
    const PaintState state = mInactive ? PAINT_INACTIVE : focused ? PAINT_HIGHLIGHT : PAINT_NORMAL;
    drawPlate(*render, mStyle.mBack, area, state);

    Area inner = area;
    inner.expand(-mBorder);
    const std::string text = shown();
    const float caretX = render->getTextLength(text.substr(0, static_cast<size_t>(mCaret)));
    const float room = std::max(inner.getWidth() - 1.0f, 0.0f);
    // keep the caret in view, and no empty room left of the text's end
    if (caretX - mTextOffset > room) mTextOffset = caretX - room;
    if (caretX < mTextOffset) mTextOffset = caretX;
    mTextOffset = std::max(0.0f, std::min(mTextOffset, render->getTextLength(text) - room));

    Area visible = inner;
    visible.setIntersect(clip);
    if (visible.getWidth() > 0.0f && visible.getHeight() > 0.0f) {
      render->setClipArea(visible);
      const float x0 = inner.mMin.x - mTextOffset;
      const float fh = render->getFontHeight();
      const float top = std::floor(inner.getCenter().y - fh / 2.0f);
      if (hasSelection()) {
        int from, to;
        getSelection(from, to);
        const float a = render->getTextLength(text.substr(0, static_cast<size_t>(from)));
        const float b = render->getTextLength(text.substr(0, static_cast<size_t>(to)));
        // the pushed back colour, or the text colour faintly
        mathbase::Vector4f mark = firstColor(mStyle.mBack, PAINT_PUSHED);
        if (mark == mStyle.mBack.mColor1) {
          mark = mStyle.mText.mColor1;
          mark.w *= 0.35f;
        }
        render->setColor(mark, mark);
        render->drawBox(Area(x0 + a, top, x0 + b, top + fh));
      }
      render->setColor(firstColor(mStyle.mText, mInactive ? PAINT_INACTIVE : PAINT_NORMAL));
      render->setAlign(Render::ALIGN_LEFT);
      render->drawText(Vector2f(x0, top), text);
      // the caret blinks once a second
      if (focused && std::fmod(render->getTime(), 1.0f) < 0.6f) {
        const float cx = std::floor(x0 + caretX) + 0.5f;
        const mathbase::Vector4f& ink = firstColor(mStyle.mText, PAINT_NORMAL);
        render->setColor(ink, ink);
        if (mInsert) {
          render->drawLine(Vector2f(cx, top), Vector2f(cx, top + fh));
        } else {
          render->drawBox(Area(cx - 0.5f, top + fh - 2.0f, cx + 6.5f, top + fh));
        }
      }
      render->setClipArea(clip);
    }
  }
  Control::draw(area, base, clip);
}

}  // namespace tessel
}  // namespace zelkor
