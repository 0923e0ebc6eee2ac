// The value widgets driven through the toolkit's input entry points: buttons,
// sliders, knobs, text fields, drop-downs, radio and check buttons, scroll
// bars, and the eased value behind sliders and knobs.

#include <gtest/gtest.h>

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

using namespace zelkor::tessel;
namespace dis = zelkor::display;
using kindra_test::StdoutCapture;

using kindra_test::WidgetTest;

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

}  // namespace
