#pragma once
// A one-line text field: caret, selection, copy and paste through the
// workspace's shared copy string, numeric and password modes.

#include <string>
#include <vector>

#include "mb_vector2.h"
#include "tes_control.h"

namespace zelkor {
namespace tessel {

class Workspace;

class TextInput : public Control {
 public:
  TextInput();
  Control* clone() const override { return new TextInput; }
  // Base attributes, then "text", "inactive" ("true") and "type"
  // ("numeric", "password").
  void load(xml::IteratorConst& it) override;
  // The caption is the text.
  void setCaption(std::string caption) override;
  // Keys while focused: arrows (Shift selects), Home, End, Backspace,
  // Delete, Ctrl+Z undoes and Ctrl+Shift+Z or Ctrl+Y redoes the field's own
  // edits (since its text was last set), Ctrl+C copies, Ctrl+V or Shift+Insert pastes, Insert switches
  // between inserting and overwriting; typed characters go in at the caret.
  // The mouse places the caret and drags a selection; a double click selects
  // everything. Every change of the text reports ACTION_TEXT_CHANGED.
  int handleEvent(Event& event) override;
  void draw(Area area, Area base, Area clip) override;

  // ---- appended
  // Numeric: only digits, ".", "+", "-", "e" and "E"; at most one "."; a
  // sign only first or right after an exponent mark.
  virtual void setNumeric(bool numeric) { mNumeric = numeric; }
  virtual bool getNumeric() const { return mNumeric; }
  // Password: shown as the password character, and never copied.
  virtual void setPassword(bool password) { mPassword = password; }
  virtual bool getPassword() const { return mPassword; }
  virtual void setPasswordCharacter(char c) { mPasswordChar = c; }
  // The caret index nearest to a world position.
  virtual int findTextPosition(mathbase::Vector2f position);

  const std::string& getText() const { return mText; }
  // Replaces the text without reporting; the caret goes to the end.
  void setText(const std::string& text);
  int getCaret() const { return mCaret; }
  void setCaret(int caret);
  bool hasSelection() const { return mSelection && mSelectionStart != mCaret; }
  // [from, to) of the selection (empty when there is none).
  void getSelection(int& from, int& to) const;
  // Selects [from, to), the caret at `to`.
  void select(int from, int to);
  std::string getSelectedText() const;
  bool getInsert() const { return mInsert; }
  // Whether `text` is acceptable in numeric mode.
  static bool isNumericText(const std::string& text);

  std::string mText;
  bool mNumeric;
  bool mInsert;          // insert (true) or overwrite
  float mBorder;         // inner margin in pixels
  bool mMouseDown;
  bool mPassword;
  char mPasswordChar;
  int mCaret;
  int mSelectionStart;   // the selection's anchor
  bool mSelection;
  std::string mCopy;     // the copy string while the field is in no workspace
  float mTextOffset;     // pixels the text is scrolled left to show the caret
  std::vector<std::string> mUndo, mRedo;  // texts before the edits, and undone ones
  static const size_t kUndoDepth = 256;

 private:
  Workspace* workspace();
  // What is drawn: the text, or the password characters.
  std::string shown() const;
  // Moves the caret; `extend` grows the selection from its anchor.
  void moveCaret(int caret, bool extend);
  // Replaces the selection (or inserts at the caret) with `text`; false,
  // changing nothing, when numeric mode refuses the result.
  bool replace(const std::string& text, bool overwrite);
  bool eraseSelection();
  // Erases [from, to) unless numeric mode refuses.
  void eraseRange(int from, int to);
  void copy();
  bool paste();
  int handleKey(const Event& event);
  // One step back (or forward); false when there is none.
  bool undo(bool back);
  void changed();
};

}  // namespace tessel
}  // namespace zelkor
