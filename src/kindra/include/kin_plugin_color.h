#pragma once
// The colour plugin: an RGB parameter of an effect, key-framed over the
// effect's duration (key times are fractions of it), edited as a colour strip
// with key markers and a colour picker.

#include "kin_effect.h"
#include "mb_splinebase.h"
#include "mb_vector2.h"
#include "mb_vector3.h"
#include "tes_callback.h"
#include "tes_context.h"
#include "tes_control.h"

namespace zelkor {
namespace kindra {

class Color : public PluginBase, public tessel::Control, public tessel::Callback {
 public:
  typedef mathbase::SplineBasef Curve;

  Color();
  ~Color() override;

  // Plugins are members of their effect, never made by the toolkit's factory.
  tessel::Control* clone() const override { return nullptr; }
  // From the colour picker: the chosen colour, live, and its OK button.
  void controlAction(tessel::Control* control, tessel::Action action) override;
  // The colour at the effect's local time (seconds since its start); black
  // without keys.
  virtual mathbase::Vector3f get(float pTime);
  bool acceptEvents(tessel::Event& event) override;
  int handleEvent(tessel::Event& event) override;
  void draw(tessel::Area area, tessel::Area base, tessel::Area clip) override;

  tessel::Control* getControl() override { return this; }
  // Adds one key per "key" child to the three curves.
  void clearPayload() override;
  void load(xml::IteratorConst& it) override;
  // One "key" per key: "time", "r", "g", "b".
  void save(xml::Iterator& it) override;
  void setupControl(float pWidth, float oldWidth) override;

  // Adds a key at normalised time u with the colour the curves have there.
  int addKey(float u);
  void removeKey(int index);
  int getNumKeys() const { return mR.getNumKeys(); }
  // Opens the workspace's colour picker on key `index`.
  void openPicker(int index);
  // The picker's colour as the value of the key being edited.
  void setSelectedColor(const mathbase::Vector3f& color);

  Curve mR, mG, mB;
  int mHighlight;      // key under the pointer, or -1
  int mSelectedIndex;  // key edited in the colour picker, or -1
  bool mPushed;        // a key drag runs
  mathbase::Vector2f mPushedPos;
  mathbase::Vector2f mContextPos;  // where a menu was opened (control space)
  tessel::Context mContextAdd;     // "add"
  tessel::Context mContextDel;     // "edit", "delete"

 private:
  Curve* mCurves[3];  // mR, mG, mB
  void openMenu(tessel::Context& menu, tessel::Event& event);
};

}  // namespace kindra
}  // namespace zelkor
