#pragma once
// Key-frame curve editor: one float curve drawn over a time window, its keys
// added, dragged, selected and deleted with the mouse, the arrow keys, Insert
// and Delete; interpolation, repetition and tangent display through context
// menus; the wheel zooms and scrolls the window.

#include <string>
#include <vector>

#include "mb_splinebase.h"
#include "mb_vector2.h"
#include "tes_control.h"

namespace zelkor {
namespace tessel {

class Context;

class Spline : public Control {
 public:
  typedef mathbase::SplineBasef Curve;
  typedef mathbase::SplineBaseKey<float> Key;

  // Starts with an empty curve of its own.
  Spline();
  // Deletes the curve when it owns it.
  ~Spline() override;

  Control* clone() const override { return new Spline; }
  // Base attributes, then "type" and the "item" sub-tags ("x" time, "y"
  // value), added as keys to the current curve (a new one of its own when
  // it has none).
  void load(xml::IteratorConst& it) override;
  // Keeps receiving the mouse while a key is dragged, also off the widget.
  bool acceptEvents(Event& event) override;
  int handleEvent(Event& event) override;
  void setArea() override;
  using Control::setArea;
  void draw(Area area, Area base, Area clip) override;

  // ---- appended
  // "square", "linear" or "smooth"; other names change nothing.
  virtual void setSplineType(const std::string& name);
  // Where a dragged key's time lands; `free` while Alt or Shift is held.
  // The owner may snap it to a grid; as it is by default.
  virtual float snapKeyTime(float time, bool free) { (void)free; return time; }

  // Attaches a curve (null detaches). A curve the widget owned before is
  // deleted first; with `own` the widget deletes this one in its turn.
  void setSpline(Curve* spline, bool own);
  Curve* getSpline() const { return m_spline; }
  // The visible time window; an empty, reversed or non-finite window is
  // refused (logged) and the old one kept.
  void setTimeInterval(float start, float end);
  // The value window: `min` at the bottom edge, `max` at the top. Refused
  // like the time window.
  void setValueInterval(float min, float max);
  // World pixels to (time, value) and back, through the widget's world area.
  mathbase::Vector2f getSplineSpace(const mathbase::Vector2f& world);
  mathbase::Vector2f getWorldSpace(const mathbase::Vector2f& key);

  // 0 "square", 1 "linear", 2 "smooth", anything else "unknown".
  static const char* getSplineTypeName(int mode);

  float getStartTime() const { return mStartTime; }
  float getEndTime() const { return mEndTime; }
  float getMinValue() const { return mMinValue; }
  float getMaxValue() const { return mMaxValue; }
  int getSelection() const { return mSelection; }
  int getMouseOverIndex() const { return mMouseOverIndex; }
  int getClicked() const { return mClicked; }
  bool getShowTangents() const { return mShowTangents; }
  Context* getMainMenu() const { return mContext; }
  Context* getKeyMenu() const { return mContext2; }
  // The samples of the last drawing, (time, value).
  const std::vector<mathbase::Vector2f>& getCachedValues() const { return m_cachedValues; }

  bool m_ownSplineMemory;
  Curve* m_spline;
  std::vector<mathbase::Vector2f> m_cachedValues;
  bool mShowTangents;
  float mStartTime, mEndTime;
  float mMinValue, mMaxValue;
  bool mDirty;
  float mPointSize;  // half size of a drawn key, pixels
  float mMouseOverX;
  int mMouseOverIndex;
  int mSelection;
  int mClicked;
  bool mFreeDrag;  // the drag in progress ignores snapping
  int mDeleteIndex;
  mathbase::Vector2f mAddPosition;  // world pixels
  Context* mContext;       // owned: "add key", type, repeat, tangents
  Context* mContext2;      // owned: "delete key"
  Context* mContext_Type;  // the main menu's "type" sub-menu

 private:
  // Stores a window [newLow, newHigh] into low and high unless it is empty,
  // reversed or not finite; `what` names it in the warning.
  void setWindow(float& low, float& high, float newLow, float newHigh, const char* what);
  // The first key whose drawn square, grown by a pixel, holds the position.
  int findKey(const mathbase::Vector2f& world);
  void dragTo(const mathbase::Vector2f& world);
  int handleKey(display::Key key);
  int handleWheel(const Event& event);
  void handleContext(const std::string& action);
  // Adds a key and keeps the selection and the drag on the keys they were on.
  int insertKey(const Key& key);
  // Removes a key; the selection stays on its key or, when that one went,
  // is cleared.
  void eraseKey(int index);
  void openMenu(Context* menu, const mathbase::Vector2f& world);
  // Marks the current modes in the main menu.
  void markMenuChoices();
  // Mode changes made here recompute automatic tangents at once, so the
  // drawn curve is the one the keys now give.
  void curveModesChanged();
  void rebuildSamples(const Area& area);
  uint64_t fingerprint() const;
  void drawTangents(const Area& area, int index);

  uint64_t mFingerprint;  // of the curve the samples were taken from
  float mSampledWidth;
};

}  // namespace tessel
}  // namespace zelkor
