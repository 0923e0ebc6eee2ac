#pragma once
// An effect in the editor's "effects" stack, as the engine puts it there, and
// the mouse as the display hands it to the toolkit (no window needed).

#include <string>

#include "kin_effect.h"
#include "tes_context.h"
#include "tes_layoutstack.h"
#include "tessel_test_util.h"
#include "widget_driver.h"

namespace kindra_test {

class EditorTest : public TesselTest {
 protected:
  // The stack at `origin` in the window, and `extra` beside it.
  void loadEditor(const std::string& extra = std::string(),
                  const zelkor::mathbase::Vector2f& origin = zelkor::mathbase::Vector2f(0.0f, 40.0f)) {
    loadLayout("<container id=\"body\"><area x=\"" + std::to_string(origin.x) + "\" y=\"" + std::to_string(origin.y) +
               "\" width=\"3000\" height=\"3000\"/><child>"
               "<layoutstack id=\"effects\"><area x=\"0\" y=\"0\" width=\"3000\" height=\"3000\"/></layoutstack>"
               "</child></container>" +
               extra);
  }
  // The stack owns the effect from now on.
  void addEffect(zelkor::kindra::Effect* effect) {
    auto* stack = dynamic_cast<zelkor::tessel::LayoutStack*>(find("effects"));
    ASSERT_NE(stack, nullptr);
    stack->addControl(effect, -1);
    effect->setupControl();
    stack->recalculate(true);
  }
  // Mouse events carry the held `modifiers`.
  void moveTo(const zelkor::mathbase::Vector2f& position) {
    mouse.hold(modifiers);
    mouse.move(position.x, position.y);
  }
  void moveBy(float dx, float dy = 0.0f) { moveTo(mouse.position() + zelkor::mathbase::Vector2f(dx, dy)); }
  void button(zelkor::display::MouseButton which, bool down, bool doubleClick = false) {
    mouse.hold(modifiers);
    if (down) {
      mouse.down(which, doubleClick);
    } else {
      mouse.up(which);
    }
  }
  void button(bool down, bool doubleClick = false) { button(zelkor::display::MOUSE_LEFT, down, doubleClick); }
  // Presses at `from`, moves to `to` in `steps` even steps, releases.
  void dragTo(const zelkor::mathbase::Vector2f& from, const zelkor::mathbase::Vector2f& to, int steps = 1) {
    moveTo(from - zelkor::mathbase::Vector2f(1.0f, 0.0f));
    moveTo(from);
    button(true);
    for (int k = 1; k <= steps; ++k) moveTo(k == steps ? to : from + (to - from) * (static_cast<float>(k) / steps));
    button(false);
  }
  void drag(const zelkor::mathbase::Vector2f& from, float dx) { dragTo(from, from + zelkor::mathbase::Vector2f(dx, 0.0f)); }
  // Right-clicks at `at` and picks `option` from the menu that opens.
  void pick(const zelkor::mathbase::Vector2f& at, const std::string& option) {
    moveTo(at - zelkor::mathbase::Vector2f(1.0f, 0.0f));
    moveTo(at);
    button(zelkor::display::MOUSE_RIGHT, true);
    button(zelkor::display::MOUSE_RIGHT, false);
    zelkor::tessel::Context* menu = workspace()->getContext();
    ASSERT_NE(menu, nullptr) << option;
    zelkor::tessel::Context* row = menu->findOption(option);
    ASSERT_NE(row, nullptr) << option;
    moveTo((row->getArea() + menu->getAreaWorld().mMin).getCenter());
    button(true);
    button(false);
    EXPECT_EQ(workspace()->getContext(), nullptr) << "picking closes the menu";
  }

  ToolkitDriver mouse{tessel};
  int modifiers = zelkor::display::KEYMOD_NONE;
};

}  // namespace kindra_test
