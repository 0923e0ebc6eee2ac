// A text field undoes and redoes its own typing, and keeps Ctrl+Z and Ctrl+Y
// even with nothing left to undo (they are not the program's then).

#include <gtest/gtest.h>

#include <string>

#include "tes_textinput.h"
#include "widget_driver.h"

namespace {

namespace dis = zelkor::display;
using kindra_test::WidgetTest;
using zelkor::tessel::TextInput;

TEST_F(WidgetTest, TextFieldsUndoAndRedoTheirOwnEdits) {
  load(R"(<textinput id="a" text="hi"><area x="10" y="10" width="200" height="20"/></textinput>)");
  TextInput* a = get<TextInput>("a");
  mouse.clickAt(a);
  mouse.type("ab");
  struct Step {
    int mods;
    dis::Key key;
    const char* typed;
    const char* text;
  };
  const Step steps[] = {
      {dis::KEYMOD_LCTRL, dis::KEY_z, "", "hia"},
      {dis::KEYMOD_LCTRL, dis::KEY_z, "", "hi"},
      {dis::KEYMOD_LCTRL, dis::KEY_z, "", "hi"},  // nothing left: still the field's key
      {dis::KEYMOD_LCTRL, dis::KEY_y, "", "hia"},
      {dis::KEYMOD_LCTRL | dis::KEYMOD_LSHIFT, dis::KEY_z, "", "hiab"},
      {dis::KEYMOD_LCTRL, dis::KEY_z, "c", "hiac"},  // typing after an undo drops the redo
      {dis::KEYMOD_LCTRL, dis::KEY_y, "", "hiac"},
  };
  for (const Step& step : steps) {
    mouse.hold(step.mods);
    EXPECT_EQ(mouse.tap(step.key), dis::Listener::BLOCK) << step.text;
    mouse.hold(dis::KEYMOD_NONE);
    mouse.type(step.typed);
    EXPECT_EQ(a->getText(), step.text);
  }
  // a text set by the program is not undone into the typed one
  a->setText("new");
  mouse.hold(dis::KEYMOD_LCTRL);
  mouse.tap(dis::KEY_z);
  EXPECT_EQ(a->getText(), "new");
}

}  // namespace
