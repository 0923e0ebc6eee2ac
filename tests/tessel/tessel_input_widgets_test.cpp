// The value widgets driven through the toolkit's input entry points: buttons,
// sliders, knobs, text fields, drop-downs, radio and check buttons, scroll
// bars, and the eased value behind sliders and knobs.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tes_button.h"
#include "tes_checkbox.h"
#include "tes_container.h"
#include "tes_dropdown.h"
#include "tes_knob.h"
#include "tes_label.h"
#include "tes_radiobutton.h"
#include "tes_scrollbars.h"
#include "tes_slider.h"
#include "tes_textinput.h"
#include "tessel_test_util.h"
#include "widget_driver.h"

namespace {

using zelkor::mathbase::Vector2f;
using namespace zelkor::tessel;
namespace dis = zelkor::display;
using kindra_test::StdoutCapture;

using kindra_test::WidgetTest;

// ------------------------------------------------------------ eased values

TEST(IntervalTest, EasesAlongAQuarterSineAndArrivesAfterItsDuration) {
  Interval v;
  EXPECT_FLOAT_EQ(v.mSpeed, 0.3f);
  v.set(0.0f, true);
  v.set(1.0f, false);
  EXPECT_FLOAT_EQ(v.get(10.0f, false), 0.0f);  // the transition starts at this read
  EXPECT_NEAR(v.get(10.1f, false), std::sin(1.0f / 3.0f * 1.5707963f), 1e-5);
  EXPECT_NEAR(v.get(10.15f, false), std::sin(0.5f * 1.5707963f), 1e-5);
  EXPECT_FLOAT_EQ(v.get(10.3f, false), 1.0f);
  EXPECT_FLOAT_EQ(v.get(10.2f, true), 1.0f);  // immediate: the target
  // a new target starts from where the value is
  v.set(0.0f, false);
  EXPECT_FLOAT_EQ(v.get(20.0f, false), 1.0f);
  EXPECT_LT(v.get(20.2f, false), 0.5f);
  // a clock that went back holds the start
  EXPECT_FLOAT_EQ(v.get(19.0f, false), 1.0f);
  v.set(5.0f, true);
  EXPECT_FLOAT_EQ(v.get(19.0f, false), 5.0f);

  v.setSpeed(2.0f);  // twice a second: half a second
  EXPECT_FLOAT_EQ(v.mSpeed, 0.5f);
  v.setSpeed(0.0f);
  v.setSpeed(-1.0f);
  v.setSpeed(1e-45f);
  EXPECT_FLOAT_EQ(v.mSpeed, 0.5f);
}

// ------------------------------------------------------------ buttons

TEST_F(WidgetTest, ButtonsReportPressAndReleaseAndToggle) {
  load(R"(<button id="push" caption="Go"><area x="10" y="10" width="80" height="24"/></button>
          <button id="toggle" caption="Loop" toggled="true"><area x="100" y="10" width="80" height="24"/></button>)");
  Button* push = get<Button>("push");
  Button* toggle = get<Button>("toggle");
  EXPECT_EQ(push->getCaption(), "Go");
  EXPECT_FALSE(push->getToggleMode());
  EXPECT_TRUE(toggle->getToggleMode());

  mouse.move(50, 20);
  EXPECT_EQ(mouse.down(), dis::Listener::BLOCK);
  ASSERT_EQ(log.actions.size(), 1u);
  EXPECT_EQ(log.controls[0], push);
  EXPECT_EQ(log.actions[0], ACTION_BUTTON_PRESSED);
  EXPECT_TRUE(push->getClicked());
  mouse.up();
  ASSERT_EQ(log.actions.size(), 2u);
  EXPECT_EQ(log.actions[1], ACTION_BUTTON_RELEASED);
  EXPECT_FALSE(push->getClicked());

  // released away from the button: no release is reported, but it lets go
  log.clear();
  mouse.move(50, 20);
  mouse.down();
  mouse.drag(300, 300);
  mouse.up();
  EXPECT_EQ(log.actions, std::vector<Action>{ACTION_BUTTON_PRESSED});
  EXPECT_FALSE(push->getClicked());
  // the right button does nothing
  log.clear();
  mouse.click(50, 20, dis::MOUSE_RIGHT);
  EXPECT_TRUE(log.actions.empty());

  // a toggle pressed twice: on, then off
  mouse.click(140, 20);
  EXPECT_TRUE(toggle->getToggled());
  mouse.click(140, 20);
  EXPECT_FALSE(toggle->getToggled());
  EXPECT_EQ(log.actions, (std::vector<Action>{ACTION_BUTTON_PRESSED, ACTION_BUTTON_RELEASED}));

  // an inactive button does nothing
  log.clear();
  push->setInactive(true);
  mouse.click(50, 20);
  EXPECT_TRUE(log.actions.empty());
}

// ------------------------------------------------------------ sliders

TEST_F(WidgetTest, SliderDragFollowsTheMouseWithinItsLimits) {
  load(R"(<slider id="s" size="20" min="-10" max="30" percent="0.25"><area x="100" y="50" width="220" height="16"/></slider>)");
  Slider* slider = get<Slider>("s");
  EXPECT_EQ(slider->getDirection(), DIRECTION_HORISONTAL);
  EXPECT_FLOAT_EQ(slider->getSize(), 20.0f);
  EXPECT_FLOAT_EQ(slider->getMin(), -10.0f);
  EXPECT_FLOAT_EQ(slider->getMax(), 30.0f);
  EXPECT_FLOAT_EQ(slider->getPercent(), 0.25f);
  EXPECT_FLOAT_EQ(slider->getValue(), 0.0f);
  // the bar travels 200 pixels: at p = 0.25 it starts 50 pixels in
  EXPECT_EQ(slider->getBarArea(0.25f), Area(50, 0, 70, 16));

  // grabbed 5 pixels into the bar, it keeps that grip
  mouse.move(155, 58);
  mouse.down();
  EXPECT_TRUE(log.actions.empty());  // grabbing alone changes nothing
  mouse.drag(175, 58);
  EXPECT_FLOAT_EQ(slider->getPercent(), 0.35f);
  EXPECT_FLOAT_EQ(slider->getValue(), 4.0f);
  EXPECT_FLOAT_EQ(slider->getPercent(false), 0.35f);  // drags are immediate
  EXPECT_GE(log.count(ACTION_SLIDER_CHANGED), 1u);
  EXPECT_EQ(log.controls.back(), slider);

  // far beyond either end it stops there, and the drag goes on off the slider
  mouse.drag(700, 300, 40.0f);
  EXPECT_FLOAT_EQ(slider->getValue(), 30.0f);
  log.clear();
  mouse.drag(760, 320, 40.0f);
  EXPECT_TRUE(log.actions.empty());  // pinned: nothing to report
  mouse.drag(20, 58, 40.0f);
  EXPECT_FLOAT_EQ(slider->getValue(), -10.0f);
  mouse.up();
  // released: moving no longer drags
  log.clear();
  mouse.drag(200, 58);
  EXPECT_FLOAT_EQ(slider->getValue(), -10.0f);
  EXPECT_TRUE(log.actions.empty());
}

TEST_F(WidgetTest, SliderTrackPressAndWheelEaseTheBar) {
  load(R"(<slider id="h" size="20"><area x="100" y="50" width="220" height="16"/></slider>
          <slider id="v" size="10" direction="vertical"><area x="400" y="50" width="16" height="110"/></slider>)");
  Slider* h = get<Slider>("h");
  Slider* v = get<Slider>("v");
  display.time = 5.0f;
  // a press on the track brings the bar's middle to the mouse, eased
  mouse.move(260, 58);
  mouse.down();
  mouse.up();
  EXPECT_FLOAT_EQ(h->getPercent(), 0.75f);
  EXPECT_FLOAT_EQ(h->getPercent(false), 0.0f);
  display.time = 5.15f;
  EXPECT_NEAR(h->getPercent(false), 0.75f * std::sin(0.5f * 1.5707963f), 1e-4);
  display.time = 5.3f;
  EXPECT_FLOAT_EQ(h->getPercent(false), 0.75f);
  EXPECT_EQ(log.count(ACTION_SLIDER_CHANGED), 1u);

  // the wheel steps a tenth of the range: up grows a horizontal slider...
  mouse.wheel(1);
  EXPECT_FLOAT_EQ(h->getPercent(), 0.85f);
  mouse.wheel(3);
  EXPECT_FLOAT_EQ(h->getPercent(), 1.0f);
  // ...and moves a vertical one's bar up
  mouse.move(408, 100);
  v->setPercent(0.5f);
  mouse.wheel(1);
  EXPECT_FLOAT_EQ(v->getPercent(), 0.4f);
  mouse.wheel(-2);
  EXPECT_FLOAT_EQ(v->getPercent(), 0.6f);
  EXPECT_EQ(v->getDirection(), DIRECTION_VERTICAL);
  // values set by the program are limited and not reported
  log.clear();
  v->setValue(7.0f);
  EXPECT_FLOAT_EQ(v->getValue(), 1.0f);
  v->setMax(0.0f);  // an empty range
  v->setValue(3.0f);
  EXPECT_FLOAT_EQ(v->getValue(), 0.0f);
  EXPECT_TRUE(log.actions.empty());
}

// ------------------------------------------------------------ knobs

TEST_F(WidgetTest, KnobTurnsWithDragsAndTheWheel) {
  load(R"(<knob id="k" value="0.5"><area x="50" y="50" width="40" height="40"/></knob>)");
  Knob* knob = get<Knob>("k");
  EXPECT_FLOAT_EQ(knob->getValue(), 0.5f);
  mouse.move(70, 70);
  mouse.down();
  mouse.drag(90, 70);  // 20 pixels right
  EXPECT_NEAR(knob->getValue(), 0.6f, 1e-5);
  mouse.drag(90, 50);  // 20 pixels up
  EXPECT_NEAR(knob->getValue(), 0.7f, 1e-5);
  mouse.drag(50, 70);  // 40 left and 20 down
  EXPECT_NEAR(knob->getValue(), 0.4f, 1e-5);
  EXPECT_GE(log.count(ACTION_KNOB_CHANGED), 3u);
  mouse.up();
  mouse.drag(300, 70);
  EXPECT_NEAR(knob->getValue(), 0.4f, 1e-5);

  // at 0.99 dragged far up it stops at 1
  knob->setValue(0.99f);
  mouse.move(70, 70);
  mouse.down();
  mouse.drag(70, 10);
  EXPECT_FLOAT_EQ(knob->getValue(), 1.0f);
  log.clear();
  mouse.drag(70, 0);
  EXPECT_TRUE(log.actions.empty());
  mouse.up();

  mouse.move(70, 70);
  mouse.wheel(-2);
  EXPECT_NEAR(knob->getValue(), 0.9f, 1e-5);
  EXPECT_EQ(log.count(ACTION_KNOB_CHANGED), 1u);
}

// ------------------------------------------------------------ text fields

TEST_F(WidgetTest, TextFieldsEditCopyAndPaste) {
  load(R"(<textinput id="a" text="hello"><area x="10" y="10" width="200" height="20"/></textinput>
          <textinput id="b"><area x="10" y="40" width="200" height="20"/></textinput>
          <label id="l" text="x"><area x="300" y="10" width="50" height="20"/></label>)");
  TextInput* a = get<TextInput>("a");
  TextInput* b = get<TextInput>("b");
  EXPECT_EQ(a->getText(), "hello");
  EXPECT_EQ(a->getCaret(), 5);

  // a click places the caret between the characters nearest the mouse (7
  // pixels each without a font; the text starts 4 pixels in)
  mouse.click(10 + 4 + 7 * 2 + 2, 20);
  EXPECT_EQ(a->getCaret(), 2);
  EXPECT_TRUE(a->hasFocus());
  mouse.type("XY");
  EXPECT_EQ(a->getText(), "heXYllo");
  EXPECT_EQ(log.count(ACTION_TEXT_CHANGED), 2u);
  EXPECT_EQ(log.controls.back(), a);

  mouse.tap(dis::KEY_HOME);
  mouse.tap(dis::KEY_DEL);
  EXPECT_EQ(a->getText(), "eXYllo");
  mouse.tap(dis::KEY_END);
  mouse.tap(dis::KEY_BACKSPACE);
  EXPECT_EQ(a->getText(), "eXYll");
  // Shift with the arrows selects; typing replaces the selection
  mouse.tap(dis::KEY_LEFT);
  mouse.hold(dis::KEYMOD_LSHIFT);
  mouse.tap(dis::KEY_LEFT);
  mouse.tap(dis::KEY_LEFT);
  mouse.hold(dis::KEYMOD_NONE);
  EXPECT_EQ(a->getSelectedText(), "Yl");
  // Ctrl+C copies into the workspace's copy string
  mouse.hold(dis::KEYMOD_LCTRL);
  mouse.tap(dis::KEY_c);
  mouse.hold(dis::KEYMOD_NONE);
  EXPECT_EQ(workspace()->getCopyString(), "Yl");
  mouse.type("Z");
  EXPECT_EQ(a->getText(), "eXZl");
  mouse.hold(dis::KEYMOD_LSHIFT);
  mouse.tap(dis::KEY_HOME);
  mouse.hold(dis::KEYMOD_NONE);
  mouse.tap(dis::KEY_DEL);
  EXPECT_EQ(a->getText(), "l");

  // Ctrl+V pastes it into the other field, Shift+Insert again
  mouse.clickAt(b);
  EXPECT_TRUE(b->hasFocus());
  EXPECT_FALSE(a->hasFocus());
  StdoutCapture out;
  mouse.hold(dis::KEYMOD_LCTRL);
  mouse.tap(dis::KEY_v);
  mouse.hold(dis::KEYMOD_RSHIFT);
  mouse.tap(dis::KEY_INSERT);
  mouse.hold(dis::KEYMOD_NONE);
  EXPECT_EQ(out.finish(), "TextInput: paste: Yl\nTextInput: paste: Yl\n");
  EXPECT_EQ(b->getText(), "YlYl");
  // a copy string of several lines pastes as one line of plain characters
  workspace()->setCopyString("a\nb\tc");
  mouse.hold(dis::KEYMOD_LCTRL);
  mouse.tap(dis::KEY_v);
  mouse.hold(dis::KEYMOD_NONE);
  EXPECT_EQ(b->getText(), "YlYlabc");

  // a double click selects all; Insert switches to overwriting
  mouse.move(50, 50);
  mouse.down(dis::MOUSE_LEFT, true);
  mouse.up();
  EXPECT_EQ(b->getSelectedText(), "YlYlabc");
  mouse.tap(dis::KEY_HOME);
  mouse.tap(dis::KEY_INSERT);
  EXPECT_FALSE(b->getInsert());
  mouse.type("12");
  EXPECT_EQ(b->getText(), "12Ylabc");

  // a drag selects
  mouse.move(10 + 4 + 1, 50);
  mouse.down();
  mouse.drag(10 + 4 + 7 * 3 + 1, 50);
  mouse.up();
  EXPECT_EQ(b->getSelectedText(), "12Y");
}

TEST_F(WidgetTest, AFocusedTextFieldKeepsTheKeysOfCharacters) {
  load(R"(<textinput id="a"><area x="10" y="10" width="200" height="20"/></textinput>
          <frame id="f"><area x="10" y="100" width="200" height="50"/></frame>)");
  TextInput* a = get<TextInput>("a");
  // not focused: keys are not the field's
  mouse.move(50, 20);
  EXPECT_EQ(mouse.keyDown(dis::KEY_q), dis::Listener::WHATEVER);
  EXPECT_EQ(mouse.type("q"), dis::Listener::WHATEVER);
  EXPECT_EQ(a->getText(), "");
  // focused: a typed letter does not reach the program's own key commands
  mouse.click(50, 20);
  EXPECT_EQ(mouse.keyDown(dis::KEY_q), dis::Listener::BLOCK);
  EXPECT_EQ(mouse.type("q"), dis::Listener::BLOCK);
  EXPECT_EQ(mouse.keyUp(dis::KEY_q), dis::Listener::BLOCK);
  EXPECT_EQ(mouse.keyDown(dis::KEY_TAB), dis::Listener::WHATEVER);
  EXPECT_EQ(mouse.keyDown(dis::KEY_ESC), dis::Listener::WHATEVER);
  EXPECT_EQ(a->getText(), "q");
  // focus moves away with a click on another control
  mouse.click(50, 120);
  EXPECT_EQ(mouse.keyDown(dis::KEY_q), dis::Listener::WHATEVER);
  mouse.type("w");
  EXPECT_EQ(a->getText(), "q");
  // nor does a field that was hidden while it had the keyboard
  mouse.click(50, 20);
  find("f")->setVisible(false);
  a->setVisible(false);
  EXPECT_EQ(mouse.keyDown(dis::KEY_q), dis::Listener::WHATEVER);
  EXPECT_EQ(mouse.type("r"), dis::Listener::WHATEVER);
  EXPECT_EQ(a->getText(), "q");
  a->setVisible(true);
  // an inactive field takes nothing
  a->setInactive(true);
  mouse.click(50, 20);
  EXPECT_EQ(mouse.type("e"), dis::Listener::WHATEVER);
  EXPECT_EQ(a->getText(), "q");
}

TEST_F(WidgetTest, NumericAndPasswordFields) {
  load(R"(<textinput id="n" type="numeric"><area x="10" y="10" width="200" height="20"/></textinput>
          <textinput id="p" type="password" text="secret"><area x="10" y="40" width="200" height="20"/></textinput>)");
  TextInput* n = get<TextInput>("n");
  TextInput* p = get<TextInput>("p");
  EXPECT_TRUE(n->getNumeric());
  EXPECT_TRUE(p->getPassword());
  mouse.clickAt(n);
  mouse.type("-1.5x.e+3-");
  EXPECT_EQ(n->getText(), "-1.5e+3");  // a second ".", a letter and a late sign refused
  EXPECT_EQ(log.count(ACTION_TEXT_CHANGED), 7u);
  mouse.tap(dis::KEY_HOME);
  mouse.type("+");
  EXPECT_EQ(n->getText(), "-1.5e+3");
  // deleting the exponent mark would leave a sign in the middle: refused
  mouse.tap(dis::KEY_END);
  mouse.tap(dis::KEY_LEFT);
  mouse.tap(dis::KEY_LEFT);
  mouse.tap(dis::KEY_BACKSPACE);
  EXPECT_EQ(n->getText(), "-1.5e+3");
  EXPECT_EQ(n->getCaret(), 5);
  EXPECT_FALSE(n->hasSelection());
  // a paste that would not be a number is refused whole
  workspace()->setCopyString("12.5");
  mouse.hold(dis::KEYMOD_LCTRL);
  StdoutCapture quiet;
  mouse.tap(dis::KEY_v);
  mouse.hold(dis::KEYMOD_NONE);
  EXPECT_EQ(n->getText(), "-1.5e+3");
  EXPECT_TRUE(TextInput::isNumericText("1e-5"));
  EXPECT_FALSE(TextInput::isNumericText("1-5"));
  EXPECT_FALSE(TextInput::isNumericText("1.2.3"));

  // a password is never copied
  mouse.clickAt(p);
  p->select(0, 6);
  workspace()->setCopyString("before");
  mouse.hold(dis::KEYMOD_LCTRL);
  mouse.tap(dis::KEY_c);
  mouse.hold(dis::KEYMOD_NONE);
  EXPECT_EQ(workspace()->getCopyString(), "before");
}

// ------------------------------------------------------------ drop-downs

TEST_F(WidgetTest, DropdownPicksAnOptionFromItsMenu) {
  load(R"(<dropdown id="d"><area x="100" y="100" width="150" height="20"/>
            <option id="sq" name="square"/>
            <option id="li" name="linear" default="true"/>
            <option id="sm" name="smooth"/>
          </dropdown>
          <button id="under"><area x="100" y="120" width="150" height="100"/></button>)");
  Dropdown* d = get<Dropdown>("d");
  ASSERT_EQ(d->getOptionCount(), 3);
  EXPECT_EQ(d->getSelectedIndex(), 1);
  EXPECT_EQ(d->getSelectedId(), "li");
  EXPECT_EQ(d->getSelectedValue(), "linear");

  mouse.click(150, 110);
  ASSERT_TRUE(d->isOpen());
  Context* menu = d->getMenu();
  // below the field, as wide as it, the current option marked
  EXPECT_EQ(menu->getAreaWorld().mMin, Vector2f(100, 120));
  EXPECT_FLOAT_EQ(menu->getAreaWorld().getWidth(), 150.0f);
  EXPECT_TRUE(menu->getOption(1)->getHighlighted());
  const Vector2f smooth = menu->getOption(2)->getAreaWorld().getCenter();
  mouse.drag(smooth.x, smooth.y);
  mouse.down();
  mouse.up();
  EXPECT_FALSE(d->isOpen());
  EXPECT_EQ(d->getSelectedIndex(), 2);
  EXPECT_EQ(d->getSelectedId(), "sm");
  // the button under the open menu heard nothing
  EXPECT_EQ(log.actions, std::vector<Action>{ACTION_DROPDOWN_CHANGED});
  EXPECT_EQ(log.controls[0], d);

  // a click beside the open menu closes it and picks nothing
  mouse.click(150, 110);
  ASSERT_TRUE(d->isOpen());
  mouse.click(600, 500);
  EXPECT_FALSE(d->isOpen());
  EXPECT_EQ(d->getSelectedIndex(), 2);

  EXPECT_TRUE(d->setSelectedValue("square"));
  EXPECT_EQ(d->getSelectedIndex(), 0);
  EXPECT_FALSE(d->setSelectedIndex(3));
  d->setOption("box", 0);
  EXPECT_EQ(d->getSelectedValue(), "box");
  // an open menu closes when its owner goes with a whole branch of the tree
  Container* branch = new Container;
  branch->setArea(Area(0, 0, 200, 50));
  workspace()->addControl(branch, -1);
  Dropdown* inner = new Dropdown;
  inner->setArea(Area(0, 0, 100, 20));
  inner->addOption("a", "A");
  branch->addControl(inner, -1);
  mouse.click(50, 10);
  ASSERT_TRUE(inner->isOpen());
  workspace()->deleteControl(workspace()->getChildCount() - 1);
  EXPECT_EQ(workspace()->getContext(), nullptr);
  mouse.click(50, 10);  // nothing left to reach

  d->deleteOptions();
  EXPECT_EQ(d->getSelectedIndex(), -1);
  EXPECT_EQ(d->getSelectedValue(), "");
  mouse.click(150, 110);  // nothing to open
  EXPECT_FALSE(d->isOpen());
}

// ------------------------------------------------------------ radio and check buttons

TEST_F(WidgetTest, RadioButtonsAreExclusiveCheckboxesIndependent) {
  load(R"(<radiobutton id="r"><area x="10" y="10" width="150" height="60"/>
            <option name="one"/><option name="two" checked="true"/><option name="three"/>
          </radiobutton>
          <checkbox id="c"><area x="200" y="10" width="150" height="60"/>
            <option name="loop" checked="true"/><option name="mute"/>
          </checkbox>)");
  RadioButton* r = get<RadioButton>("r");
  Checkbox* c = get<Checkbox>("c");
  EXPECT_FALSE(r->getCheckbox());
  EXPECT_TRUE(c->getCheckbox());
  EXPECT_EQ(r->getSelectedName(), "two");
  const float row = r->getRow(1).getHeight();

  mouse.click(40, 10 + 2.5f * row);  // "three"
  EXPECT_EQ(r->getSelected(), 2);
  EXPECT_TRUE(r->getSelected("three"));
  EXPECT_FALSE(r->getSelected("two"));
  mouse.click(40, 10 + 0.5f * row);
  EXPECT_TRUE(r->getSelected("one"));
  EXPECT_FALSE(r->getSelected("three"));
  EXPECT_EQ(log.actions, (std::vector<Action>{ACTION_RADIOBUTTON_CHANGED, ACTION_RADIOBUTTON_CHANGED}));
  // pressed on one option, released on another: nothing
  log.clear();
  mouse.move(40, 10 + 0.5f * row);
  mouse.down();
  mouse.drag(40, 10 + 1.5f * row);
  mouse.up();
  EXPECT_TRUE(log.actions.empty());
  EXPECT_TRUE(r->getSelected("one"));
  // below the last option: nothing
  mouse.click(40, 10 + 3.5f * row);
  EXPECT_TRUE(log.actions.empty());

  mouse.click(230, 10 + 1.5f * row);
  mouse.click(230, 10 + 0.5f * row);
  EXPECT_TRUE(c->getSelected("mute"));
  EXPECT_FALSE(c->getSelected("loop"));
  mouse.click(230, 10 + 0.5f * row);
  EXPECT_TRUE(c->getSelected("loop"));
  EXPECT_TRUE(c->getSelected("mute"));
  EXPECT_EQ(log.actions, (std::vector<Action>{ACTION_CHECKBOX_ON, ACTION_CHECKBOX_OFF, ACTION_CHECKBOX_ON}));
  EXPECT_EQ(c->getSelectedName(), "loop");

  // from the program
  EXPECT_TRUE(r->setSelected("two", true));
  EXPECT_FALSE(r->getSelected("one"));
  EXPECT_FALSE(r->setSelected("four", true));
  c->setRadiobutton();  // one stays on
  EXPECT_TRUE(c->getSelected("loop"));
  EXPECT_FALSE(c->getSelected("mute"));
  r->clearOptions();
  EXPECT_EQ(r->getSelected(), -1);
}

// ------------------------------------------------------------ scroll bars

TEST_F(WidgetTest, ScrollBarsScrollTheirContentWithinItsRange) {
  load(R"(<scrollbars id="s"><area x="100" y="100" width="212" height="112"/>
            <child>
              <button id="far"><area x="500" y="300" width="100" height="100"/></button>
            </child>
          </scrollbars>)");
  Scrollbars* s = get<Scrollbars>("s");
  Control* far = find("far");
  ASSERT_EQ(far->getParent(), s->getFrame());
  // the frame leaves room for two 12-pixel bars; the content reaches (600, 400)
  EXPECT_EQ(s->getFrame()->getArea(), Area(0, 0, 200, 100));
  EXPECT_EQ(s->getScrollRange(), Vector2f(400, 300));

  // the wheel over the content scrolls down and stops at the end
  mouse.move(150, 150);
  mouse.wheel(-1);
  EXPECT_EQ(s->getScrollPosition(), Vector2f(0, 40));
  EXPECT_EQ(log.actions, std::vector<Action>{ACTION_SCROLL_CHANGED});
  mouse.wheel(-20);
  EXPECT_EQ(s->getScrollPosition(), Vector2f(0, 300));
  log.clear();
  mouse.wheel(-1);
  EXPECT_TRUE(log.actions.empty());
  mouse.hold(dis::KEYMOD_LSHIFT);  // across
  mouse.wheel(-2);
  mouse.hold(dis::KEYMOD_NONE);
  EXPECT_EQ(s->getScrollPosition(), Vector2f(80, 300));
  // the content moved with it: the button shows at its place minus the scroll
  EXPECT_EQ(far->getAreaWorld().mMin, Vector2f(100 + 500 - 80, 100 + 300 - 300));
  mouse.hold(dis::KEYMOD_LSHIFT);
  mouse.wheel(-8);
  mouse.hold(dis::KEYMOD_NONE);
  EXPECT_EQ(far->getAreaWorld().mMin, Vector2f(100 + 500 - 400, 100 + 300 - 300));
  log.clear();
  mouse.click(100 + 500 - 400 + 5, 105);
  EXPECT_EQ(log.actions, (std::vector<Action>{ACTION_BUTTON_PRESSED, ACTION_BUTTON_RELEASED}));

  // dragging the horizontal handle: it is half as long as its track...
  s->setScrollPosition(Vector2f(0, 0));
  const Area handle = s->mHorisontalHandle + s->getAreaWorld().mMin;
  EXPECT_FLOAT_EQ(handle.getWidth(), 200.0f * 200.0f / 600.0f);
  mouse.move(handle.mMin.x + 5, handle.getCenter().y);
  mouse.down();
  mouse.drag(handle.mMin.x + 5 + (200.0f - handle.getWidth()) / 2, handle.getCenter().y + 50);
  EXPECT_NEAR(s->getScrollPosition().x, 200.0f, 0.01f);
  mouse.drag(900, 0, 50.0f);  // and it stops at the end
  EXPECT_FLOAT_EQ(s->getScrollPosition().x, 400.0f);
  mouse.up();
  // a press on the vertical track below the handle scrolls a page
  log.clear();
  mouse.click(306, 190);
  EXPECT_EQ(s->getScrollPosition(), Vector2f(400, 100));
  EXPECT_EQ(log.actions, std::vector<Action>{ACTION_SCROLL_CHANGED});

  // content that shrinks pulls the position back into the range
  far->setArea(Area(0, 0, 250, 150));
  s->update();
  EXPECT_EQ(s->getScrollRange(), Vector2f(50, 50));
  EXPECT_EQ(s->getScrollPosition(), Vector2f(50, 50));
  // a new size is reported once
  log.clear();
  s->setArea(Area(100, 100, 412, 312));
  s->setArea(Area(100, 100, 412, 312));
  EXPECT_EQ(log.actions, std::vector<Action>{ACTION_WINDOW_RESIZE});
  EXPECT_EQ(s->getScrollRange(), Vector2f(0, 0));
  EXPECT_EQ(s->getScrollPosition(), Vector2f(0, 0));
}

TEST_F(WidgetTest, AHorizontalScrollBarAlone) {
  load(R"(<scrollbars id="s" direction="horisontal"><area x="0" y="0" width="300" height="100"/>
            <child><frame id="wide"><area x="0" y="0" width="1211" height="400"/></frame></child>
          </scrollbars>)");
  Scrollbars* s = get<Scrollbars>("s");
  EXPECT_TRUE(s->mHorisontal);
  EXPECT_FALSE(s->mVertical);
  EXPECT_EQ(s->getFrame()->getArea(), Area(0, 0, 300, 88));
  EXPECT_EQ(s->getScrollRange(), Vector2f(911, 0));
  // the wheel scrolls along the only bar
  mouse.move(150, 50);
  mouse.wheel(-1);
  EXPECT_EQ(s->getScrollPosition(), Vector2f(40, 0));
}

}  // namespace
