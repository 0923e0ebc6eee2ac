#pragma once
// The trigger plugin: trains of timed events of an effect (an explosion, a
// flash), in seconds of effect time. get() tells how many events fired during
// the last update.

#include <cstdint>
#include <vector>

#include "kin_effect.h"
#include "mb_vector2.h"
#include "tes_context.h"
#include "tes_control.h"

namespace zelkor {
namespace kindra {

class Trigger : public PluginBase, public tessel::Control {
 public:
  struct ActionData {
    float mStart;     // seconds of effect time of the first event
    float mDelay;     // seconds between events
    uint32_t mRepeat; // number of events
    uint32_t mCount;  // events already fired
  };

  Trigger();
  ~Trigger() override;

  tessel::Control* clone() const override { return nullptr; }
  // Events fired during the last update when called after update(pTime);
  // 0 when time went backwards.
  virtual uint32_t get(float pTime);
  bool acceptEvents(tessel::Event& event) override;
  int handleEvent(tessel::Event& event) override;
  void draw(tessel::Area area, tessel::Area base, tessel::Area clip) override;

  tessel::Control* getControl() override { return this; }
  // Appends one action per "action" child.
  void clearPayload() override;
  void load(xml::IteratorConst& it) override;
  // One "action" per action: "start", "delay", "repeat".
  void save(xml::Iterator& it) override;
  // Sizes the editor; times are seconds and stay as they are.
  void setupControl(float pWidth, float oldWidth) override;
  void update(float pTime) override;

  // The default train (start 0, delay 1, one event, already fired) when the
  // trigger has none; the editor works on the first action.
  void ensureAction();
  // Effect time of the earliest event of any train (+inf without one); an
  // effect whose state follows from it is the same however time got there.
  float firstEventTime() const;

  std::vector<ActionData*> mAction;  // owned
  float mLastTime;
  uint32_t mCurrent;
  float mDiff;  // flash of the editor, 0..1
  float mHit;
  int mHighlight;  // pulse under the pointer, or -1
  bool mPushed;
  tessel::Context mContext;  // "adjust"
  mathbase::Vector2f mStretchPos;

 private:
  // The pulse of the first action under local x, or -1.
  int pulseAt(float x) const;
  // The default train, as long as no one changed it: it never fires.
  bool isSpentDefault(const ActionData* action) const;

  const ActionData* mSpent;  // made by ensureAction, or null
};

}  // namespace kindra
}  // namespace zelkor
