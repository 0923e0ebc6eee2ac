// Every widget of the gallery driven through the toolkit's input entry points
// by a script per row (mouse, wheel, keys, menus), with the state the widget
// is left in and what it reported.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tes_box.h"
#include "tes_boxview.h"
#include "tes_colorchooser.h"
#include "tes_dropdown.h"
#include "tes_image.h"
#include "tes_knob.h"
#include "tes_radiobutton.h"
#include "tes_scrollbars.h"
#include "tes_slider.h"
#include "tes_spline.h"
#include "tes_stat.h"
#include "tes_tabview.h"
#include "tes_textinput.h"
#include "tes_treeview.h"
#include "widget_driver.h"
#include "widget_gallery.h"

namespace {

using namespace zelkor::tessel;
using kindra_test::StdoutCapture;
namespace dis = zelkor::display;

std::string format(const char* pattern, double a, double b = 0.0, double c = 0.0, double d = 0.0) {
  char text[128];
  std::snprintf(text, sizeof text, pattern, a, b, c, d);
  return text;
}

// What a row reads back from the control it drove.
std::string stateOf(Control* c) {
  if (auto* slider = dynamic_cast<Slider*>(c)) return format("%.3g", slider->getValue(true));
  if (auto* knob = dynamic_cast<Knob*>(c)) return format("%.3g", knob->getValue(true));
  if (auto* dropdown = dynamic_cast<Dropdown*>(c))
    return dropdown->getSelectedId() + "=" + dropdown->getSelectedValue();
  if (auto* text = dynamic_cast<TextInput*>(c)) return text->getText() + "[" + text->getSelectedText() + "]";
  if (auto* chooser = dynamic_cast<ColorChooser*>(c)) return chooser->getColorText();
  if (auto* tabs = dynamic_cast<TabView*>(c)) return format("tab %g", tabs->getSelected());
  if (auto* radio = dynamic_cast<RadioButton*>(c)) {
    std::string on;
    for (size_t i = 0; i < radio->getOptionCount(); ++i) on += radio->getOption(i).on ? "x" : "-";
    return on;
  }
  if (auto* tree = dynamic_cast<TreeView*>(c)) {
    const std::string selected = tree->getSelected() ? tree->getSelected()->text : "none";
    return selected + format(" rows %g at %g", tree->getVisibleRows(), tree->getScroll());
  }
  if (auto* view = dynamic_cast<BoxView*>(c)) {
    std::string links;
    for (const BoxView::Link& l : view->getLinks())
      links += l.from->getId() + format(".%g>", l.output) + l.to->getId() + format(".%g ", l.input);
    return links + format("noise at %g,%g", view->getOrder(0)->getArea().mMin.x, view->getOrder(0)->getArea().mMin.y);
  }
  if (auto* bars = dynamic_cast<Scrollbars*>(c))
    return format("at %g,%g", bars->getScrollPosition().x, bars->getScrollPosition().y);
  if (auto* spline = dynamic_cast<Spline*>(c)) {
    const Spline::Curve& curve = *spline->getSpline();
    std::string keys = Spline::getSplineTypeName(curve.getInterpolation());
    for (int i = 0; i < curve.getNumKeys(); ++i) {
      keys += format(curve[i].tangentOUT != 0.0f ? " %.3g,%.3g/%.3g" : " %.3g,%.3g", curve[i].time, curve[i].value,
                     curve[i].tangentOUT);
    }
    return keys + format(" sel %g t %.3g,%.3g", spline->getSelection(), spline->getStartTime(), spline->getEndTime()) +
           format(" v %.3g,%.3g", spline->getMinValue(), spline->getMaxValue());
  }
  if (auto* stat = dynamic_cast<Stat*>(c)) return format("%.3g of %.3g", stat->getCurrent(), stat->getValueMax());
  const Area& a = c->getArea();
  return format("%g,%g-%g,%g", a.mMin.x, a.mMin.y, a.mMax.x, a.mMax.y);
}

class ScriptTest : public kindra_test::WidgetTest {};

TEST_F(ScriptTest, EveryWidgetFollowsTheMouseWheelAndKeys) {
  struct Row {
    const char* name;
    const char* script;
    const char* target;
    const char* state;
    const char* reports;
    const char* copied = nullptr;  // the copy string before
  };
  const Row rows[] = {
      {"push", "@push 5,5 d u", "push", "10,10-100,34", "push:pressed push:released"},
      {"push off", "@push 5,5 d 150,5 u", "push", "10,10-100,34", "push:pressed"},
      {"toggle", "@toggle 5,5 d u d u", "toggle", "110,10-200,34", "toggle:pressed toggle:released"},
      {"slider grab", "@speed 119,9 d 169,9 u w1", "speed", "1.94", "speed:slider*9"},
      {"slider track", "@speed 20,9 d u", "speed", "0.14", "speed:slider"},
      {"vslider", "@level 9,100 w1", "level", "0.2", "level:slider"},
      {"knob", "@gain 20,20 d 39,10 u w-2", "gain", "0.745", "gain:knob*5"},
      {"dropdown", "@type 5,5 d u 20,44 d u", "type", "1=linear", "type:dropdown 1"},
      {"radio", "@repeat 5,40 d u @repeat 5,8 d 5,24 u", "repeat", "--x", "repeat:radio"},
      {"check", "@flags 5,24 d u @flags 5,8 d u", "flags", "-x", "flags:on flags:off"},
      {"tree", "@nodes 5,8 d u @nodes 30,24 d u", "nodes", "Music rows 2 at 0", "nodes:tree"},
      {"tree2", "@nodes 40,40 dd u w-1", "nodes", "tunnel rows 4 at 0", "nodes:tree"},
      {"menubar", "@menu 10,12 d u 60,12 60,46 d u", "menu", "0,0-800,24", "Edit.Paste"},
      {"grip", "@controls 375,295 d 395,335 u", "controls", "10,34-410,374", "controls:resize*7"},
      {"caption", "@controls 100,8 d 150,58 u", "controls", "60,84-440,384", "controls:resize*11"},
      {"tabs", "@tabs 70,10 d u", "tabs", "tab 1", ""},
      {"wheel", "@chooser 50,40 d 60,45 u", "chooser", "80ffd5ff", "chooser:color*3"},
      {"connect", "@noise 103,29 d @mix 7,29 u", "graph", "noise.0>mix.0 noise at 10,10", ""},
      {"boxmenu", "@noise 103,29 d @mix 7,29 u @noise 103,29 D U 123,37 d u", "graph", "noise at 10,10", ""},
      {"boxmove", "@noise 50,8 d 80,30 u", "graph", "noise at 40,32", ""},
      {"scroll", "@timeline 100,240 d 200,240 u 700,240 d u", "timeline", "at 431,0", "timeline:scroll*16"},
      {"spline", "@curve 50,30 d 100,60 u", "curve", "smooth 0.5,0/-0.5 0.75,-0.5 sel 0 t 0,1 v -1,1",
       "curve:spline*9"},
      {"splinemenu", "@curve 100,100 D U 130,129 215,129 d u", "curve",
       "square 0.25,0.5/-1 0.75,-0.5 sel -1 t 0,1 v -1,1", "curve:spline spline.type.square"},
      {"splinewheel", "@curve 100,100 d u w1 +C w1 +S w1 +SC w-1", "curve",
       "smooth 0.25,0.5/-1 0.75,-0.5 sel -1 t 0.02,0.82 v -1.09,0.507", ""},
      {"splinedel", "@curve 50,30 D U 60,38 d u", "curve", "smooth 0.75,-0.5 sel -1 t 0,1 v -1,1",
       "curve:delete spline.delete key"},
      {"splineadd", "@curve 100,100 D U 105,98 d u", "curve",
       "smooth 0.25,0.5/-1.17 0.5,-0.667/-0.5 0.75,-0.5 sel -1 t 0,1 v -1,1", "curve:add spline.add key"},
      {"spline arrows", "@curve 100,100 d u k:RIGHT k:RIGHT k:RIGHT k:LEFT k:LEFT", "curve",
       "smooth 0.25,0.5/-1 0.75,-0.5 sel 0 t 0,1 v -1,1", ""},
      {"spline insert between", "@curve 100,100 d u k:RIGHT k:INS", "curve",
       "smooth 0.25,0.5/-0.5 0.5,0/-0.5 0.75,-0.5 sel 0 t 0,1 v -1,1", "curve:add"},
      {"spline insert after last", "@curve 100,100 d u k:RIGHT k:RIGHT k:INS", "curve",
       "smooth 0.25,0.5/-1 0.75,-0.5/-0.25 1,-0.5 sel 1 t 0,1 v -1,1", "curve:add"},
      {"spline insert unselected", "@curve 100,100 d u k:INS", "curve",
       "smooth 0.25,0.5/-1 0.75,-0.5/-0.25 1,-0.5 sel -1 t 0,1 v -1,1", "curve:add"},
      {"spline insert before selected", "@curve 50,30 d u 20,30 D U 25,38 d u", "curve",
       "smooth 0.1,0.5 0.25,0.5/-0.5 0.75,-0.5 sel 1 t 0,1 v -1,1", "curve:add spline.add key"},
      {"spline delete last", "@curve 100,100 d u k:RIGHT k:RIGHT k:DEL", "curve",
       "smooth 0.25,0.5 sel 0 t 0,1 v -1,1", "curve:delete"},
      {"spline delete first", "@curve 100,100 d u k:RIGHT k:DEL k:INS", "curve",
       "smooth 0.75,-0.5 1,-0.5 sel 0 t 0,1 v -1,1", "curve:delete curve:add"},
      {"spline delete all", "@curve 100,100 d u k:RIGHT k:DEL k:DEL k:DEL k:INS", "curve",
       "smooth 0,0 sel -1 t 0,1 v -1,1", "curve:delete*2 curve:add"},
      {"text click", "@name 20,10 d u t:XY", "name", "tuXYnnel.main[]", "name:text*2"},
      {"text keys", "@name 5,10 d u k:HOME k:DEL k:END k:BS k:HOME k:RIGHT +S k:RIGHT + k:BS", "name", "unel.mai[]",
       "name:text*3"},
      {"text select", "@name 5,10 d u k:END k:LEFT +S k:LEFT k:LEFT +C k:c + t:Z", "name", "tunnel.mZn[]", "name:text"},
      {"text select home", "@name 5,10 d u k:END k:LEFT +S k:HOME + k:DEL", "name", "n[]", "name:text"},
      {"text paste", "@name 5,10 d u k:END +S k:LEFT k:LEFT +C k:c + k:HOME +C k:v +S k:INS", "name",
       "inintunnel.main[]", "name:text*2"},
      {"text lines", "@name 5,10 d u k:END +C k:v", "name", "tunnel.mainabc[]", "name:text", "a\nb\tc"},
      {"text dd", "@name 20,10 dd u", "name", "tunnel.main[tunnel.main]", ""},
      {"text ins", "@name 20,10 d u k:HOME k:INS t:12", "name", "12nnel.main[]", "name:text*2"},
      {"text drag", "@name 5,10 d 26,10 u", "name", "tunnel.main[tun]", ""},
      {"numeric", "@time 60,10 d u k:END t:e-3x.5", "time", "12.5e-35[]", "time:text*4"},
      {"stat", "@stat 20,20 300,20 @stat 20,20", "stat", "0 of 0", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    put("layout.xml", kindra_test::kGallery);
    workspace()->deleteControls();  // a load adds to what is there
    {
      StdoutCapture quiet;
      tessel->load("layout.xml");
    }
    log.clear();
    workspace()->setCallback(&log);
    find(row.target)->setCallback(&log);
    if (row.copied) workspace()->setCopyString(row.copied);
    kindra_test::ToolkitDriver hand(*tessel);
    hand.play(row.script);
    EXPECT_EQ(stateOf(find(row.target)), row.state);
    EXPECT_EQ(log.text(), row.reports);
  }
}

TEST_F(ScriptTest, OptionsValuesTreesAndSizesSetByTheProgram) {
  put("layout.xml", kindra_test::kGallery);
  {
    kindra_test::StdoutCapture quiet;
    tessel->load("layout.xml");
  }
  RadioButton* repeat = get<RadioButton>("repeat");
  EXPECT_TRUE(repeat->setSelected("added", true));
  EXPECT_FALSE(repeat->setSelected("nothing", true));
  EXPECT_EQ(repeat->getSelectedName() + stateOf(repeat), "added--x");
  EXPECT_TRUE(repeat->getSelected("added"));
  // check options made radio options keep only the first that is on
  RadioButton* flags = get<RadioButton>("flags");
  flags->setSelected("locked", true);
  flags->setRadiobutton();
  EXPECT_EQ(flags->getSelectedName() + stateOf(flags), "visiblex-");
  flags->setSelected("visible", false);
  EXPECT_EQ(flags->getSelectedName() + stateOf(flags), "--");
  flags->clearOptions();
  EXPECT_EQ(flags->getSelectedName(), "");
  Dropdown* type = get<Dropdown>("type");
  EXPECT_TRUE(type->setSelectedValue("linear"));
  EXPECT_FALSE(type->setSelectedIndex(3));
  type->setOption("cubic", 3);
  EXPECT_TRUE(type->setSelectedIndex(3));
  EXPECT_EQ(stateOf(type), "cubic=cubic");
  type->deleteOptions();
  EXPECT_EQ(stateOf(type), "=");
  Slider* speed = get<Slider>("speed");
  speed->setValue(1.5f, true);
  EXPECT_EQ(stateOf(speed), "1.5");
  Spline* curve = get<Spline>("curve");
  curve->setValueInterval(2.0f, -2.0f);  // upside down: refused
  EXPECT_EQ(curve->getWorldSpace(zelkor::mathbase::Vector2f(0.5f, 1.0f)), zelkor::mathbase::Vector2f(670, 429));
  // a maximized workspace follows the window
  workspace()->setMaximized(true);
  display.mode.width = 640;
  tessel->onResize(800, 600);
  EXPECT_EQ(workspace()->getArea(), Area(0, 0, 640, 600));
  // removing a node takes the selection inside it along
  TreeView* nodes = get<TreeView>("nodes");
  nodes->setSelected(nodes->findNode("fx")->node[1]);
  nodes->removeNode(nodes->findNode("fx"));
  EXPECT_EQ(stateOf(nodes), "none rows 1 at 0");
  EXPECT_EQ(nodes->findNode("fx"), nullptr);
}

TEST_F(ScriptTest, AnImageThatCannotBeReadIsToldAndDrawnAsACross) {
  put("broken.png", "not a picture");
  const std::string out = load(R"(<image id="missing" filename="nowhere.png"><area x="0" y="0" width="64" height="64"/></image>
                                 <image id="broken" filename="broken.png"><area x="0" y="0" width="64" height="64"/></image>)");
  EXPECT_FALSE(get<Image>("missing")->getLoaded());
  EXPECT_FALSE(get<Image>("broken")->getLoaded());
  EXPECT_TRUE(kindra_test::contains(out, "Image 'nowhere.png' could not be read")) << out;
  EXPECT_TRUE(kindra_test::contains(out, "Image 'broken.png' could not be read")) << out;
}

// A text field undoes and redoes its own typing, and keeps Ctrl+Z and Ctrl+Y
// even with nothing left to undo (they are not the program's then).
TEST_F(ScriptTest, TextFieldsUndoAndRedoTheirOwnEdits) {
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
