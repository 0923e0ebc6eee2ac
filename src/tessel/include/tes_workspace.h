#pragma once
// The root control: owns the drawing object and the parsed style file, holds
// the open context menu and the copy string shared by text fields.

#include <memory>
#include <string>
#include <unordered_map>

#include "tes_control.h"

namespace zelkor {
namespace xml {
class XmlParser;
}

namespace tessel {

class Context;
class Render;

class Workspace : public Control {
 public:
  Workspace();
  ~Workspace() override;

  Control* clone() const override { return new Workspace; }
  display::DisplayGL* getDisplay() override;
  xml::IteratorConst getStyle(const std::string& name) override;
  void setMaximized(bool maximized) override;
  int handleEvent(Event& event) override;
  Render* getRender() override;
  void setContext(Context* context) override;
  void resetContext() override;

  // ---- appended
  // Takes ownership of a parsed style file (null: no styles); `file` names
  // it in messages.
  virtual void loadStyle(xml::XmlParser* styleTag, const std::string& file = std::string());
  using Control::loadStyle;
  // Draws the tree, then the open context menu on top.
  virtual void draw();
  using Control::draw;

  void setDisplay(display::DisplayGL* pDisplay) { mDisplay = pDisplay; }
  Context* getContext() const { return mContext; }
  bool getContextFirst() const { return mContextFirst; }
  void setCopyString(const std::string& text) { mCopyString = text; }
  const std::string& getCopyString() const { return mCopyString; }
  const std::string& getStyleFile() const { return mStyleFile; }
  bool hasStyle() const { return mStyleTag != nullptr; }

  display::DisplayGL* mDisplay;
  Render* mRender;
  Context* mContext;
  bool mContextFirst;
  std::string mCopyString;
  xml::XmlParser* mStyleTag;
  std::string mStyleFile;
  std::unordered_map<std::string, int> mStyleIndex;  // entry name -> first child of the style root
};

}  // namespace tessel
}  // namespace zelkor
