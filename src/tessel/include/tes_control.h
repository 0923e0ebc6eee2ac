#pragma once
// Base of every widget: a rectangle in its parent, style colours, children in
// z-order, focus, hover, callbacks, loading from layout and style tags, event
// routing and clipped drawing.

#include <cstdint>
#include <string>
#include <vector>

#include "mb_vector4.h"
#include "tes_callback.h"
#include "tes_typedef.h"
#include "xml_iteratorconst.h"

namespace zelkor {
namespace display {
class DisplayGL;
}
namespace xml {
class XmlTag;
}

namespace tessel {

class Render;

// Two-colour pairs (first and second colour of a gradient) for each state.
struct colorInfo {
  mathbase::Vector4f mBorder1, mBorder2;
  mathbase::Vector4f mColor1, mColor2;
  mathbase::Vector4f mHighlight1, mHighlight2;
  mathbase::Vector4f mPushed1, mPushed2;
  mathbase::Vector4f mInactive1, mInactive2;
};

struct style {
  colorInfo mBack;
  colorInfo mCaption;
  colorInfo mText;
};

class Control {
 public:
  Control();
  // Deletes the children (while still in the tree), then leaves the
  // parent's lists when still in them.
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // A fresh control of the same type (prototypes of the factory).
  virtual Control* clone() const;
  virtual const std::string& getType() const { return mType; }
  virtual display::DisplayGL* getDisplay();
  virtual void setParent(Control* parent);
  virtual Control* getParent() { return mParent; }
  virtual Control* getRoot();
  virtual uint32_t getChildCount() const { return static_cast<uint32_t>(mChild.size()); }
  // In z-order (the last is topmost); null out of range.
  virtual Control* getChild(uint32_t index);
  // In insertion order; null out of range.
  virtual Control* getOrder(uint32_t index);
  // "rrggbb" or "rrggbbaa" as a colour; a pair that is cut short ends the
  // reading, a character that is no hex digit counts as 0.
  virtual mathbase::Vector4f hex2vec(const std::string& text);
  // Reads a control tag (or a style entry) at the iterator.
  virtual void load(xml::IteratorConst& it);
  // Reads the tag's "color" sub-tags.
  virtual void loadStyle(xml::IteratorConst& it);
  // The style entries called `name`, from the root workspace's style file.
  virtual xml::IteratorConst getStyle(const std::string& name);
  virtual const std::string& getId() const { return mId; }
  virtual void setName(std::string name) { mId = std::move(name); }
  virtual const std::string& getCaption() const { return mCaption; }
  virtual void setCaption(std::string caption) { mCaption = std::move(caption); }
  virtual void setInactive(bool inactive) { mInactive = inactive; }
  virtual bool getInactive() const { return mInactive; }
  virtual void setVisible(bool visible) { mVisible = visible; }
  virtual bool getVisible() const { return mVisible; }
  virtual const Area& getArea() const { return mArea; }
  // The area in workspace space.
  virtual Area getAreaWorld();
  // Lays the children out again in the current area.
  virtual void setArea();
  virtual void setArea(Area area);
  // Moves the area's minimum, keeping its size.
  virtual void setPosition(mathbase::Vector2f position);
  virtual const mathbase::Vector2f& getOffset() const { return mOffset; }
  virtual void setOffset(mathbase::Vector2f offset);
  virtual bool getMaximized() const { return mMaximized; }
  // A maximized control fills its parent (the workspace fills the window).
  virtual void setMaximized(bool maximized);
  // What the children cover, from the local origin (scrolling extents).
  virtual Area getOccupiedArea();
  // `index` -1 appends; the child is focused, which raises it.
  virtual void addControl(Control* control, int32_t index);
  // Deletes the child at `index` in insertion order (see getOrder).
  virtual void deleteControl(uint32_t index);
  virtual void deleteControls();
  // This control or the first match depth first in z-order, else null.
  virtual Control* findControl(const std::string& id);
  virtual void clearCallbacks();
  virtual void setCallback(Callback* callback);
  // Reports to this control's callbacks, or bubbles to the nearest ancestor
  // that has some. A null source means this control.
  virtual void sendAction(Action action, Control* source = nullptr);
  // Reports to this control's own callbacks only.
  virtual void sendContextAction(Context* context, std::string action);
  // Whether the control (or an open part of it) wants the event even outside
  // its parent's rectangle.
  virtual bool acceptEvents(Event& event);
  // Non-zero when the event was used.
  virtual int handleEvent(Event& event);
  virtual Render* getRender();
  virtual Control* getFocus() { return mFocus; }
  // Focuses `control` (a child, or null) and this control up to the root.
  virtual void setFocus(Control* control);
  // Clears the focus here and in every descendant.
  virtual void clearFocus();
  // Opens a context menu (owned by the caller) on top of everything.
  virtual void setContext(Context* context);
  virtual void resetContext();
  // `area`: this control's rectangle in world space; `base`: the origin of
  // the children; `clip`: the visible part. The base draws the children.
  virtual void draw(Area area, Area base, Area clip);

  // ---- appended hooks
  // A child left mOrder at `index` (deleted, or destroyed on its own).
  virtual void childRemoved(uint32_t index);

  bool getMouseOver() const { return mMouseOver; }
  // Whether the event's mouse position lies on this control's world area.
  bool isMouseInside(const Event& event) { return getAreaWorld().isInside(event.mousePosWorld); }
  // Whether the focus chain from the root leads to this control (it gets the keys).
  bool hasFocus();
  // Whether this control and every ancestor are visible.
  bool isShown();
  // Ends a press: no child keeps the mouse any longer, here and below.
  void releaseCapture();
  const style& getStyleColors() const { return mStyle; }
  style& getStyleColors() { return mStyle; }

 protected:
  // Removes `child` from both lists and every pointer to it, without
  // deleting it; returns false when it is no child.
  bool detachChild(Control* child);
  // The rectangle containing the local position, in a parent's space.
  static bool contains(const Area& area, const mathbase::Vector2f& position) { return area.isInside(position); }

 public:
  Area mArea;
  style mStyle;
  std::string mId;
  std::string mCaption;
  std::string mType;
  Control* mParent;
  Control* mFocus;
  Control* mControlClicked;
  mathbase::Vector2f mOffset;
  std::vector<Control*> mChild;
  std::vector<Control*> mOrder;
  std::vector<Callback*> mCallback;
  bool mMouseOver;
  bool mInactive;
  bool mVisible;
  bool mMaximized;
  Render* mRenderCache;
};

// ---- loading helpers: messages name the file being read and the element.

// Names the file whose tags are being read while it is alive (nestable).
class LoadSource {
 public:
  explicit LoadSource(const std::string& file);
  ~LoadSource();
  LoadSource(const LoadSource&) = delete;
  LoadSource& operator=(const LoadSource&) = delete;
  // The innermost file being read, or "(no file)".
  static const std::string& current();
};

// `<frame id="main">` for messages.
std::string describeTag(const xml::XmlTag& tag);
// Logs a warning prefixed with the current file and `element`.
void loadWarning(const std::string& element, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Reads a number attribute into `value`; false (value kept) when absent. A
// malformed or non-finite number is logged and read as its numeric prefix,
// else 0.
bool readNumber(const xml::XmlTag& tag, const std::string& name, float& value, const std::string& element);
// Reads "direction": "horisontal" is horizontal, anything else vertical;
// false (direction kept) when absent.
bool readDirection(const xml::XmlTag& tag, Direction& direction);

}  // namespace tessel
}  // namespace zelkor
