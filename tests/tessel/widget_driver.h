#pragma once
// Drives a toolkit through its display listener entry points, as the device
// does: mouse moves carry the device's delta (previous minus current
// position), presses and keys carry the held modifiers.

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "dis_listener.h"
#include "mb_box2.h"
#include "mb_vector2.h"
#include "tes_callback.h"
#include "tes_control.h"
#include "tessel.h"
#include "tessel_test_util.h"

namespace zelkor {
namespace mathbase {
// Readable points and areas in test failures.
inline void PrintTo(const Vector2f& v, std::ostream* os) { *os << "(" << v.x << ", " << v.y << ")"; }
inline void PrintTo(const Box2& b, std::ostream* os) {
  *os << "(" << b.mMin.x << ", " << b.mMin.y << ")-(" << b.mMax.x << ", " << b.mMax.y << ")";
}
}  // namespace mathbase
}  // namespace zelkor

namespace kindra_test {

class ToolkitDriver {
 public:
  explicit ToolkitDriver(zelkor::tessel::Tessel& tessel) : mTessel([&tessel]() -> zelkor::tessel::Tessel& { return tessel; }) {}
  // A toolkit made later (in a fixture's SetUp).
  explicit ToolkitDriver(std::unique_ptr<zelkor::tessel::Tessel>& holder)
      : mTessel([&holder]() -> zelkor::tessel::Tessel& { return *holder; }) {}

  int move(float x, float y) {
    zelkor::display::MouseMoveEvent e;
    fill(e, x, y);
    e.mouseDelta = mPos - zelkor::mathbase::Vector2f(x, y);
    mPos = zelkor::mathbase::Vector2f(x, y);
    return mTessel().onMouseMove(e);
  }
  // Moves in steps of at most `step` pixels, as a hand does.
  void drag(float x, float y, float step = 7.0f) {
    const zelkor::mathbase::Vector2f from = mPos, to(x, y);
    const zelkor::mathbase::Vector2f d = to - from;
    const float length = std::sqrt(d.x * d.x + d.y * d.y);
    const int steps = std::max(1, static_cast<int>(std::ceil(length / step)));
    for (int i = 1; i <= steps; ++i) {
      // whole pixels on the way, as the window system reports them
      zelkor::mathbase::Vector2f p = from + d * (static_cast<float>(i) / static_cast<float>(steps));
      if (i < steps) p = zelkor::mathbase::Vector2f(std::round(p.x), std::round(p.y));
      move(p.x, p.y);
    }
  }
  int down(int button = zelkor::display::MOUSE_LEFT, bool doubleClick = false) {
    zelkor::display::MouseButtonEvent e;
    fill(e, mPos.x, mPos.y);
    e.button = static_cast<zelkor::display::MouseButton>(button);
    e.doubleClick = doubleClick;
    return mTessel().onMouseDown(e);
  }
  int up(int button = zelkor::display::MOUSE_LEFT) {
    zelkor::display::MouseButtonEvent e;
    fill(e, mPos.x, mPos.y);
    e.button = static_cast<zelkor::display::MouseButton>(button);
    return mTessel().onMouseUp(e);
  }
  int click(float x, float y, int button = zelkor::display::MOUSE_LEFT) {
    move(x, y);
    const int used = down(button);
    up(button);
    return used;
  }
  int clickAt(zelkor::tessel::Control* c, float dx = -1.0f, float dy = -1.0f) {
    const zelkor::tessel::Area a = c->getAreaWorld();
    return click(dx < 0 ? a.getCenter().x : a.mMin.x + dx, dy < 0 ? a.getCenter().y : a.mMin.y + dy);
  }
  int wheel(float steps) {
    zelkor::display::MouseMoveEvent e;
    fill(e, mPos.x, mPos.y);
    mWheel += steps;
    e.mouseWheel = mWheel;
    e.mouseDeltaWheel = steps;
    return mTessel().onMouseWheel(e);
  }
  int tap(zelkor::display::Key key) {
    zelkor::display::KeyEvent e;
    fill(e, mPos.x, mPos.y);
    e.key = key;
    const int used = mTessel().onKeyDown(e);
    mTessel().onKeyUp(e);
    return used;
  }
  // A key with its character, as typing does.
  int type(const std::string& text) {
    int used = 0;
    for (char c : text) {
      zelkor::display::CharEvent e;
      fill(e, mPos.x, mPos.y);
      e.key = static_cast<unsigned char>(c);
      used |= mTessel().onCharDown(e);
      mTessel().onCharUp(e);
    }
    return used;
  }
  void hold(int modifiers) { mModifiers = modifiers; }
  // Plays space-separated steps: "@id" makes that control's top-left the
  // origin, "x,y" moves there by hand, "d"/"u" press and release the left
  // button ("D"/"U" the right, "dd" a double click), "w<n>" turns the wheel,
  // "+" holds the modifiers named after it (S, C, A; none), "k:<key>" taps a
  // key (a letter or a name below), "t:<text>" types.
  void play(const std::string& script) {
    namespace dis = zelkor::display;
    static const std::map<std::string, dis::Key> named = {
        {"LEFT", dis::KEY_LEFT}, {"RIGHT", dis::KEY_RIGHT}, {"HOME", dis::KEY_HOME}, {"END", dis::KEY_END},
        {"DEL", dis::KEY_DEL},   {"INS", dis::KEY_INSERT},  {"BS", dis::KEY_BACKSPACE}};
    std::istringstream in(script);
    std::string step;
    zelkor::mathbase::Vector2f origin(0.0f, 0.0f), to;
    while (in >> step) {
      const std::string arg = step.size() > 2 ? step.substr(2) : std::string();
      if (step[0] == '@') {
        zelkor::tessel::Control* c = mTessel().findControl(step.substr(1));
        ASSERT_NE(c, nullptr) << step;
        origin = c->getAreaWorld().mMin;
      } else if (std::sscanf(step.c_str(), "%f,%f", &to.x, &to.y) == 2) {
        drag(origin.x + to.x, origin.y + to.y);
      } else if (step == "d" || step == "D" || step == "dd") {
        down(step == "D" ? dis::MOUSE_RIGHT : dis::MOUSE_LEFT, step == "dd");
      } else if (step == "u" || step == "U") {
        up(step == "U" ? dis::MOUSE_RIGHT : dis::MOUSE_LEFT);
      } else if (step[0] == 'w') {
        wheel(std::stof(step.substr(1)));
      } else if (step[0] == '+') {
        const bool s = contains(step, "S"), c = contains(step, "C"), a = contains(step, "A");
        hold((s ? dis::KEYMOD_LSHIFT : 0) | (c ? dis::KEYMOD_LCTRL : 0) | (a ? dis::KEYMOD_LALT : 0));
      } else if (step.compare(0, 2, "k:") == 0) {
        tap(arg.size() == 1 ? static_cast<dis::Key>(dis::KEY_a + (arg[0] - 'a')) : named.at(arg));
      } else if (step.compare(0, 2, "t:") == 0) {
        type(arg);
      } else {
        ADD_FAILURE() << "no such step: " << step;
      }
    }
  }
  const zelkor::mathbase::Vector2f& position() const { return mPos; }

 private:
  void fill(zelkor::display::Event& e, float x, float y) {
    e.mousePos = zelkor::mathbase::Vector2f(x, y);
    e.mouseWheel = mWheel;
    e.control = mModifiers;
  }

  std::function<zelkor::tessel::Tessel&()> mTessel;
  zelkor::mathbase::Vector2f mPos{-100.0f, -100.0f};
  float mWheel = 0.0f;
  int mModifiers = zelkor::display::KEYMOD_NONE;
};

// Records what controls report.
class ActionLog : public zelkor::tessel::Callback {
 public:
  void controlAction(zelkor::tessel::Control* control, zelkor::tessel::Action action) override {
    controls.push_back(control);
    actions.push_back(action);
  }
  void contextAction(zelkor::tessel::Context* menu, std::string action) override {
    menus.push_back(menu);
    contexts.push_back(action);
  }
  // "id:action" for each report, then each menu pick's path.
  std::string text() const {
    static const char* const names[] = {"pressed", "released", "on",     "off",  "color",  "context",
                                        "dropdown", "knob",    "radio",  "scroll", "slider", "spline",
                                        "add",      "delete",  "text",   "tree",   "resize"};
    std::string out;
    // a run of the same report is counted: "id:action*n"
    for (size_t i = 0, n = 1; i < actions.size(); i += n, n = 1) {
      while (i + n < actions.size() && actions[i + n] == actions[i] && controls[i + n] == controls[i]) ++n;
      out += " " + controls[i]->getId() + ":" + names[actions[i]] + (n > 1 ? "*" + std::to_string(n) : "");
    }
    for (const std::string& path : contexts) out += " " + path;
    return out.empty() ? out : out.substr(1);
  }
  void clear() {
    controls.clear();
    actions.clear();
    menus.clear();
    contexts.clear();
  }
  std::vector<zelkor::tessel::Control*> controls;
  std::vector<zelkor::tessel::Action> actions;
  std::vector<zelkor::tessel::Context*> menus;
  std::vector<std::string> contexts;
};

// A toolkit on a window-less display with a driver for its input and a log
// of what the workspace hears.
class WidgetTest : public TesselTest {
 protected:
  template <class T>
  T* get(const std::string& id) {
    T* control = dynamic_cast<T*>(find(id));
    EXPECT_NE(control, nullptr) << id;
    return control;
  }
  // Loads the children into the workspace and listens to it; returns the log.
  std::string load(const std::string& children) {
    const std::string out = loadLayout(children);
    workspace()->setCallback(&log);
    return out;
  }
  ToolkitDriver mouse{tessel};
  ActionLog log;
};

}  // namespace kindra_test
