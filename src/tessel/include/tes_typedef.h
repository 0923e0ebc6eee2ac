#pragma once
// Value types shared by the whole toolkit: areas, actions, directions and the
// toolkit's input event.

#include <string>

#include "dis_listener.h"
#include "mb_box2.h"
#include "mb_vector2.h"

namespace zelkor {
namespace tessel {

// Pixels, x to the right, y downwards.
typedef mathbase::Box2 Area;

// What a widget reports to its callbacks.
enum Action {
  ACTION_BUTTON_PRESSED = 0,
  ACTION_BUTTON_RELEASED = 1,
  ACTION_CHECKBOX_ON = 2,
  ACTION_CHECKBOX_OFF = 3,
  ACTION_COLOR = 4,
  ACTION_CONTEXT = 5,
  ACTION_DROPDOWN_CHANGED = 6,
  ACTION_KNOB_CHANGED = 7,
  ACTION_RADIOBUTTON_CHANGED = 8,
  ACTION_SCROLL_CHANGED = 9,
  ACTION_SLIDER_CHANGED = 10,
  ACTION_SPLINE_CHANGED = 11,
  ACTION_SPLINE_ADD = 12,
  ACTION_SPLINE_DELETE = 13,
  ACTION_TEXT_CHANGED = 14,
  ACTION_TREEVIEW_CHANGED = 15,
  ACTION_WINDOW_RESIZE = 16,
};

enum Direction {
  DIRECTION_HORISONTAL = 0,
  DIRECTION_VERTICAL = 1,
};

// An input event on its way down the control tree. `mousePos` is made local
// to each control it passes; `mousePosWorld` stays in workspace space.
struct Event : display::Event {
  int button = display::MOUSE_LEFT;
  display::Key key = display::KEY_UNKNOWN;
  int keyChar = 0;
  mathbase::Vector2f mouseDelta;
  float mouseDeltaWheel = 0.0f;
  // "mousedown", "mouseup", "mousemove", "mousewheel", "keydown", "keyup",
  // "keychardown", "keycharup"; "reset" clears hover state, "context" is a
  // context-menu selection whose path is in `action`.
  std::string type;
  bool doubleClick = false;
  mathbase::Vector2f mousePosWorld;
  std::string action;

  bool isKeyEvent() const {
    return type == "keydown" || type == "keyup" || type == "keychardown" || type == "keycharup";
  }
  bool isMouseEvent() const {
    return type == "mousedown" || type == "mouseup" || type == "mousemove" || type == "mousewheel";
  }
};

// A value that eases to each new target along a quarter sine (sliders and
// knobs). Times are the drawing object's clock, in seconds.
class Interval {
 public:
  Interval();
  // A transition of 1/s seconds; s must be positive.
  void setSpeed(float s);
  // Makes `v` the target; `immediate` jumps there, otherwise the transition
  // starts at the next get().
  void set(float v, bool immediate);
  // The current value at time t (the target when `immediate` or when the
  // transition is over).
  float get(float t, bool immediate);
  float getTarget() const { return mValue2; }

  float mSpeed;     // transition duration in seconds
  float mValue1;    // start value
  float mValue2;    // target value
  float value;      // current value
  float mLasttime;  // time of the last get()
  float mSetTime;   // start of the transition; kPending until the next get()
  bool mSetup;      // a value was set

  static constexpr float kPending = -10.0f;
};

}  // namespace tessel
}  // namespace zelkor
