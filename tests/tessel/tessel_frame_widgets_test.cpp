// The widgets that hold, show and arrange: the time ruler and the statistics
// graph, windows, panels, tabs, menu bars, the tree view, the colour chooser,
// node boxes and images, driven through the toolkit's input entry points.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tes_box.h"
#include "tes_boxview.h"
#include "tes_button.h"
#include "tes_colorchooser.h"
#include "tes_container.h"
#include "tes_image.h"
#include "tes_knob.h"
#include "tes_label.h"
#include "tes_menu.h"
#include "tes_menubar.h"
#include "tes_panel.h"
#include "tes_ruler.h"
#include "tes_stat.h"
#include "tes_tabview.h"
#include "tes_treeview.h"
#include "tes_window.h"
#include "tessel_test_util.h"
#include "widget_driver.h"

namespace {

using zelkor::mathbase::Vector2f;
using zelkor::mathbase::Vector4f;
using namespace zelkor::tessel;
namespace dis = zelkor::display;

using FrameWidgetTest = kindra_test::WidgetTest;

// ------------------------------------------------------------ ruler

TEST_F(FrameWidgetTest, RulerMarksLabelsAndTheMouse) {
  load(R"(<ruler id="r"><area x="50" y="100" width="1211" height="200"/>
            <child><container id="body"><area x="0" y="0" width="1211" height="3000"/></container></child>
          </ruler>)");
  Ruler* ruler = get<Ruler>("r");
  EXPECT_FLOAT_EQ(ruler->getScale(), 0.1f);
  EXPECT_FLOAT_EQ(ruler->getInterval(), 10.0f);
  // the content goes into the frame, which fills the ruler under the band
  Control* body = find("body");
  ASSERT_EQ(body->getParent(), ruler->getFrame());
  EXPECT_EQ(ruler->getChildCount(), 1u);
  EXPECT_EQ(ruler->getFrame()->getArea(), Area(0, 25, 1211, 200));
  Container* later = new Container;
  ruler->addControl(later, 0);  // appended whatever the index
  EXPECT_EQ(ruler->getFrame()->getOrder(1), later);

  // labels every 100 pixels, in seconds
  EXPECT_EQ(ruler->labelText(100), "10.0");
  EXPECT_EQ(ruler->labelText(200), "20.0");
  EXPECT_EQ(ruler->labelText(55), "5.5");
  // away from the ruler every label shows
  EXPECT_FLOAT_EQ(ruler->labelAlpha(300), 1.0f);
  mouse.move(50 + 300, 110);
  EXPECT_TRUE(ruler->getMouseOver());
  EXPECT_FLOAT_EQ(ruler->getMouseX(), 300.0f);
  EXPECT_LE(ruler->labelAlpha(300), 0.0f);    // under the mouse: not drawn
  EXPECT_LE(ruler->labelAlpha(329), 0.0f);    // closer than 30: not drawn
  EXPECT_NEAR(ruler->labelAlpha(340), 0.5f, 1e-5);
  EXPECT_FLOAT_EQ(ruler->labelAlpha(350), 1.0f);  // 50 or more away: opaque
  EXPECT_FLOAT_EQ(ruler->labelAlpha(200), 1.0f);
  // moves over the content below the band count too
  mouse.move(50 + 420.5f, 250);
  EXPECT_FLOAT_EQ(ruler->getMouseX(), 420.5f);
  mouse.move(10, 10);
  EXPECT_FALSE(ruler->getMouseOver());
  EXPECT_FLOAT_EQ(ruler->labelAlpha(420), 1.0f);

  ruler->setScale(0.05f);
  EXPECT_EQ(ruler->labelText(100), "5.0");
}

// ------------------------------------------------------------ statistics graph

TEST_F(FrameWidgetTest, StatAveragesEachIntervalIntoASample) {
  load(R"(<stat id="s"><area x="0" y="0" width="200" height="100"/></stat>)");
  Stat* stat = get<Stat>("s");
  EXPECT_FLOAT_EQ(stat->getInterval(), 0.2f);
  display.time = 10.1f;
  stat->addValue(4.0f);  // the first evaluation closes the interval at once
  EXPECT_FLOAT_EQ(stat->getValue(0), 4.0f);
  EXPECT_FLOAT_EQ(stat->getValueMax(), 4.0f);
  // within the next interval values gather; at its end they become one sample
  display.time = 10.12f;
  stat->addValue(1.0f);
  display.time = 10.15f;
  stat->addValue(3.0f);
  EXPECT_FLOAT_EQ(stat->getValue(0), 4.0f);
  display.time = 10.21f;
  stat->addValue(5.0f);
  EXPECT_FLOAT_EQ(stat->getValue(0), 3.0f);
  EXPECT_FLOAT_EQ(stat->getValue(1), 4.0f);
  // a graph that receives no values keeps its history
  display.time = 20.1f;
  stat->evaluate();
  EXPECT_FLOAT_EQ(stat->getValue(0), 3.0f);
  // after a long pause the next sample is one interval's average, and the
  // following values gather again instead of each becoming a sample
  stat->addValue(8.0f);
  EXPECT_FLOAT_EQ(stat->getValue(0), 8.0f);
  EXPECT_FLOAT_EQ(stat->getValue(1), 3.0f);
  display.time = 20.15f;
  stat->addValue(2.0f);
  EXPECT_FLOAT_EQ(stat->getValue(0), 8.0f);
  // the top of the scale follows the largest sample up at once
  EXPECT_FLOAT_EQ(stat->getValueMax(), 8.0f);
  // a clock that went back restarts the interval
  display.time = 5.0f;
  stat->addValue(2.0f);
  EXPECT_FLOAT_EQ(stat->getValue(0), 8.0f);
  display.time = 5.25f;
  stat->addValue(2.0f);
  EXPECT_FLOAT_EQ(stat->getValue(0), 2.0f);
  // non-finite values are ignored
  display.time = 5.3f;
  stat->addValue(std::nanf(""));
  stat->addValue(INFINITY);
  display.time = 5.45f;
  stat->addValue(6.0f);
  EXPECT_FLOAT_EQ(stat->getValue(0), 6.0f);

  // the value under the mouse: the top of the scale times the height left above
  const float top = stat->getValueMax();
  mouse.move(100, 55);
  EXPECT_NEAR(stat->getCurrent(), top * (1.0f - 50.0f / 100.0f), 1e-4);
  mouse.move(100, 300);
  EXPECT_FLOAT_EQ(stat->getCurrent(), -1.0f);
}

TEST_F(FrameWidgetTest, StatKeepsTwoThousandSamples) {
  Stat stat;  // no display: the clock stands at 0
  stat.setInterval(0.0f);  // refused
  EXPECT_FLOAT_EQ(stat.getInterval(), 0.2f);
  // with no clock every value closes its own interval
  stat.mStartTime = -1e9f;
  for (int i = 1; i <= Stat::kSamples + 5; ++i) {
    stat.mStartTime = -1.0f;
    stat.addValue(static_cast<float>(i));
  }
  EXPECT_FLOAT_EQ(stat.getValue(0), static_cast<float>(Stat::kSamples + 5));
  EXPECT_FLOAT_EQ(stat.getValue(Stat::kSamples - 1), 6.0f);  // the oldest five fell off
}

// ------------------------------------------------------------ windows, panels, tabs

TEST_F(FrameWidgetTest, WindowsMoveByTheirCaptionAndResizeByTheGrip) {
  load(R"(<window id="w" caption="Colours"><area x="100" y="100" width="200" height="150"/>
            <child><button id="ok" caption="OK"><area x="10" y="10" width="60" height="20"/></button></child>
          </window>)");
  Window* window = get<Window>("w");
  window->setCallback(&log);
  EXPECT_EQ(window->getCaptionBar()->getCaption(), "Colours");
  Control* ok = find("ok");
  ASSERT_EQ(ok->getParent(), window->getFrame());
  const float bar = window->getCaptionBar()->getArea().getHeight();
  EXPECT_GT(bar, 10.0f);
  EXPECT_EQ(window->getFrame()->getArea(), Area(0, bar, 200, 150));
  EXPECT_EQ(ok->getAreaWorld().mMin, Vector2f(110, 110 + bar));

  // dragging the caption moves the window, and it says so as the window
  mouse.move(150, 105);
  mouse.down();
  mouse.drag(190, 145);
  mouse.up();
  EXPECT_EQ(window->getArea(), Area(140, 140, 340, 290));
  ASSERT_FALSE(log.actions.empty());
  EXPECT_EQ(log.actions.back(), ACTION_WINDOW_RESIZE);
  EXPECT_EQ(log.controls.back(), window);
  // it cannot be dragged out of reach
  mouse.move(150, 145);
  mouse.down();
  mouse.drag(-500, -500, 60.0f);
  mouse.up();
  EXPECT_EQ(window->getArea().mMin, Vector2f(40 - 200, 0));

  // the grip at the lower right corner resizes, down to a least size
  window->setArea(Area(100, 100, 300, 250));
  log.clear();
  mouse.move(295, 245);
  mouse.down();
  mouse.drag(345, 295);
  mouse.up();
  EXPECT_EQ(window->getArea(), Area(100, 100, 350, 300));
  EXPECT_EQ(window->getFrame()->getArea(), Area(0, bar, 250, 200));
  EXPECT_EQ(log.actions.back(), ACTION_WINDOW_RESIZE);
  mouse.move(345, 295);
  mouse.down();
  mouse.drag(0, 0, 60.0f);
  mouse.up();
  EXPECT_EQ(window->getArea().getSize(), Vector2f(60, bar + 20));
  // the content still works
  log.clear();
  window->setArea(Area(100, 100, 300, 250));
  mouse.clickAt(ok);
  EXPECT_EQ(log.actions, (std::vector<Action>{ACTION_BUTTON_PRESSED, ACTION_BUTTON_RELEASED}));
}

TEST_F(FrameWidgetTest, PanelsAndTabs) {
  load(R"(<panel id="p" caption="Effect"><area x="0" y="0" width="200" height="100"/>
            <child><label id="inside" text="x"><area maximized="true"/></label></child>
          </panel>
          <tabview id="t"><area x="300" y="0" width="300" height="200"/>
            <child>
              <tabframe id="first" caption="First"/>
              <tabframe id="second" caption="Second page"/>
              <tabframe id="third" caption="Third"/>
            </child>
          </tabview>)");
  Panel* panel = get<Panel>("p");
  const float header = panel->getHeaderHeight();
  EXPECT_GT(header, 0.0f);
  EXPECT_EQ(find("inside")->getParent(), panel->getFrame());
  EXPECT_EQ(find("inside")->getArea(), Area(0, 0, 200, 100 - header));
  panel->setCaption("");
  EXPECT_EQ(panel->getFrame()->getArea(), Area(0, 0, 200, 100));

  TabView* tabs = get<TabView>("t");
  Control* first = find("first");
  Control* second = find("second");
  Control* third = find("third");
  ASSERT_EQ(first->getParent(), tabs->getTabFrame());
  // one page shows at a time, filling the frame
  EXPECT_TRUE(first->getVisible());
  EXPECT_FALSE(second->getVisible());
  EXPECT_FALSE(third->getVisible());
  EXPECT_EQ(second->getArea().getSize(), tabs->getTabFrame()->getArea().getSize());
  const Area tab = tabs->getTabCaption()->getTabArea(1);
  mouse.click(tab.getCenter().x, tab.getCenter().y);
  EXPECT_EQ(tabs->getSelected(), 1);
  EXPECT_FALSE(first->getVisible());
  EXPECT_TRUE(second->getVisible());
  // beside the tabs nothing changes
  mouse.click(590, tab.getCenter().y);
  EXPECT_EQ(tabs->getSelected(), 1);
}

// ------------------------------------------------------------ menus

TEST_F(FrameWidgetTest, MenuBarOpensMenusAndReportsPicks) {
  load(R"(<menu id="m"><area x="0" y="0" width="400" height="300"/>
            <item caption="File"><item caption="Open"/><item caption="Quit"/></item>
            <item caption="Edit"><item caption="Copy"/><item caption="Paste"/></item>
            <child><button id="under"><area x="0" y="0" width="400" height="200"/></button></child>
          </menu>)");
  Menu* menu = get<Menu>("m");
  menu->setCallback(&log);
  MenuBar* bar = menu->getMenuBar();
  ASSERT_EQ(bar->getMenuCount(), 2u);
  EXPECT_EQ(find("under")->getParent(), menu->getMenuFrame());
  const Area file = bar->getTitleArea(0) + bar->getAreaWorld().mMin;
  const Area edit = bar->getTitleArea(1) + bar->getAreaWorld().mMin;
  EXPECT_LT(file.mMax.x, edit.mMin.x + 1);

  mouse.click(file.getCenter().x, file.getCenter().y);
  EXPECT_EQ(bar->getOpenIndex(), 0);
  EXPECT_EQ(workspace()->getContext(), bar->getMenu(0));
  // the menu opens under its title
  EXPECT_EQ(bar->getMenu(0)->getAreaWorld().mMin, Vector2f(file.mMin.x, file.mMax.y));
  // moving along the bar switches menus
  mouse.drag(edit.getCenter().x, edit.getCenter().y);
  EXPECT_EQ(bar->getOpenIndex(), 1);
  // a pick reports "title.option"; the button under the menu hears nothing
  const Vector2f paste = bar->getMenu(1)->getOption(1)->getAreaWorld().getCenter();
  mouse.drag(paste.x, paste.y);
  mouse.down();
  mouse.up();
  EXPECT_EQ(bar->getOpenIndex(), -1);
  EXPECT_EQ(log.contexts, std::vector<std::string>{"Edit.Paste"});
  EXPECT_TRUE(log.actions.empty());
  // a second click on an open title closes its menu
  mouse.click(file.getCenter().x, file.getCenter().y);
  EXPECT_EQ(bar->getOpenIndex(), 0);
  mouse.click(file.getCenter().x, file.getCenter().y);
  EXPECT_EQ(bar->getOpenIndex(), -1);
  // a click elsewhere closes it and goes through
  mouse.click(file.getCenter().x, file.getCenter().y);
  mouse.click(300, 150);
  EXPECT_EQ(bar->getOpenIndex(), -1);
  EXPECT_EQ(log.actions, (std::vector<Action>{ACTION_BUTTON_PRESSED, ACTION_BUTTON_RELEASED}));
}

// ------------------------------------------------------------ tree view

TEST_F(FrameWidgetTest, TreeViewFoldsAndSelects) {
  load(R"(<treeview id="t" size="20"><area x="0" y="0" width="200" height="60"/>
            <item id="fx" text="Effects">
              <item id="clear" text="Clear"/>
              <item id="tunnel" text="Tunnel"><item id="cam" text="camera"/></item>
            </item>
            <item id="music" text="Music"/>
          </treeview>)");
  TreeView* tree = get<TreeView>("t");
  EXPECT_FLOAT_EQ(tree->getRowHeight(), 20.0f);
  EXPECT_EQ(tree->getVisibleRows(), 5);
  ASSERT_NE(tree->findNode("cam"), nullptr);
  EXPECT_EQ(tree->findNode("cam")->parent, tree->findNode("tunnel"));

  // a click on a row's text selects it
  mouse.click(80, 30);  // second row: "Clear"
  ASSERT_NE(tree->getSelected(), nullptr);
  EXPECT_EQ(tree->getSelected()->id, "clear");
  EXPECT_EQ(log.actions, std::vector<Action>{ACTION_TREEVIEW_CHANGED});
  // on the marker of a node with children it folds
  mouse.click(5, 10);
  EXPECT_TRUE(tree->findNode("fx")->folded);
  EXPECT_EQ(tree->getVisibleRows(), 2);
  EXPECT_EQ(log.actions.size(), 1u);
  mouse.click(80, 30);  // now "Music"
  EXPECT_EQ(tree->getSelected()->id, "music");
  mouse.move(80, 10);
  mouse.down(dis::MOUSE_LEFT, true);  // a double click on the row folds too
  mouse.up();
  EXPECT_FALSE(tree->findNode("fx")->folded);
  EXPECT_EQ(tree->getSelected()->id, "fx");
  // rows that do not fit scroll with the wheel
  mouse.move(80, 30);
  mouse.wheel(-1);
  EXPECT_FLOAT_EQ(tree->getScroll(), 40.0f);  // 5 rows of 20 in 60 pixels
  mouse.click(80, 10);
  EXPECT_EQ(tree->getSelected()->id, "tunnel");

  // removing a subtree clears a selection inside it
  tree->removeNode(tree->findNode("fx"));
  EXPECT_EQ(tree->getSelected(), nullptr);
  EXPECT_EQ(tree->getVisibleRows(), 1);
  EXPECT_FLOAT_EQ(tree->getScroll(), 0.0f);
  TreeView::Node* added = tree->addNode(nullptr, "new", "New");
  tree->addNode(added, "child", "Child");
  EXPECT_EQ(tree->getVisibleRows(), 3);
}

// ------------------------------------------------------------ colour chooser

TEST_F(FrameWidgetTest, ColourChooserReportsEveryChange) {
  load(R"(<colorchooser id="c"><area x="0" y="0" width="240" height="200"/></colorchooser>)");
  ColorChooser* chooser = get<ColorChooser>("c");
  ColorChooserWheel* wheel = chooser->getWheel();
  const Area disc = wheel->getDisc() + wheel->getAreaWorld().mMin;
  EXPECT_GT(disc.getWidth(), 100.0f);
  EXPECT_FLOAT_EQ(disc.getWidth(), disc.getHeight());
  EXPECT_EQ(chooser->getColorText(), "ffffffff");

  // the rim to the right is red, to the top yellow-green...
  const float r = disc.getWidth() / 2.0f;
  mouse.click(disc.getCenter().x + r - 1.0f, disc.getCenter().y);
  Vector4f c = chooser->getColor();
  EXPECT_NEAR(c.x, 1.0f, 0.02f);
  EXPECT_NEAR(c.y, 0.0f, 0.02f);
  EXPECT_NEAR(c.z, 0.0f, 0.02f);
  EXPECT_EQ(log.actions, std::vector<Action>{ACTION_COLOR});
  EXPECT_EQ(log.controls[0], chooser);
  // ...dragging goes on beyond the rim at full saturation
  mouse.move(disc.getCenter().x, disc.getCenter().y);
  mouse.down();
  mouse.drag(disc.getCenter().x - 300.0f, disc.getCenter().y, 30.0f);
  mouse.up();
  c = chooser->getColor();
  EXPECT_NEAR(c.x, 0.0f, 0.02f);
  EXPECT_NEAR(c.y, 1.0f, 0.02f);
  EXPECT_NEAR(c.z, 1.0f, 0.02f);  // cyan, opposite red
  // the intensity slider darkens, the alpha slider clears
  log.clear();
  Slider* intensity = chooser->getIntensitySlider();
  const Area track = intensity->getAreaWorld();
  mouse.click(track.getCenter().x, track.mMin.y + 0.5f * track.getHeight());
  c = chooser->getColor();
  EXPECT_NEAR(c.y, 0.5f, 0.05f);
  EXPECT_NEAR(c.x, 0.0f, 0.02f);
  const Area alphaTrack = chooser->getAlphaSlider()->getAreaWorld();
  mouse.click(alphaTrack.getCenter().x, alphaTrack.mMax.y - 1.0f);
  EXPECT_NEAR(chooser->getColor().w, 0.0f, 0.01f);
  EXPECT_EQ(log.actions, (std::vector<Action>{ACTION_COLOR, ACTION_COLOR}));

  // shown from the program without a report
  log.clear();
  chooser->setColor(Vector4f(0.2f, 0.4f, 0.8f, 0.5f));
  c = chooser->getColor();
  EXPECT_NEAR(c.x, 0.2f, 1e-4);
  EXPECT_NEAR(c.y, 0.4f, 1e-4);
  EXPECT_NEAR(c.z, 0.8f, 1e-4);
  EXPECT_NEAR(c.w, 0.5f, 1e-4);
  EXPECT_EQ(chooser->getColorText(), "3366cc80");
  EXPECT_NEAR(intensity->getPercent(), 0.2f, 1e-4);
  EXPECT_TRUE(log.actions.empty());
}

// ------------------------------------------------------------ node boxes

TEST_F(FrameWidgetTest, BoxesMoveAndLinkTheirConnectors) {
  load(R"(<boxview id="v"><area x="0" y="0" width="600" height="400"/>
            <child>
              <box id="a" caption="Noise"><area x="20" y="20" width="120" height="80"/>
                <output id="out" type="float" color="ff8000"/>
                <output id="rgb" type="color"/>
              </box>
              <box id="b" caption="Mix"><area x="300" y="50" width="120" height="80"/>
                <input id="in" type="float"/>
                <input id="tint" type="color"/>
              </box>
            </child>
          </boxview>)");
  BoxView* view = get<BoxView>("v");
  Box* a = get<Box>("a");
  Box* b = get<Box>("b");
  ASSERT_EQ(a->getOutputs().size(), 2u);
  ASSERT_EQ(b->getInputs().size(), 2u);
  EXPECT_FLOAT_EQ(a->getOutputs()[0].mColor.y, 128.0f / 255.0f);

  // a drag from an output to an input of the same type links them
  const Vector2f out = a->getOutputPos(0);
  const Vector2f in = b->getInputPos(0);
  mouse.move(out.x, out.y);
  mouse.down();
  EXPECT_EQ(view->getConnectBox(), a);
  ASSERT_NE(view->getConnect(), nullptr);
  EXPECT_EQ(view->getConnect()->mId, "out");
  mouse.drag(in.x, in.y, 20.0f);
  EXPECT_EQ(view->mConnectPos, in);
  mouse.up();
  ASSERT_EQ(view->getLinks().size(), 1u);
  EXPECT_EQ(view->getLinks()[0].from, a);
  EXPECT_EQ(view->getLinks()[0].to, b);
  EXPECT_EQ(view->getLinks()[0].input, 0);
  EXPECT_EQ(view->getConnect(), nullptr);
  // another type does not fit; a drop on nothing links nothing
  const Vector2f rgb = a->getOutputPos(1);
  mouse.move(rgb.x, rgb.y);
  mouse.down();
  mouse.drag(in.x, in.y, 20.0f);
  mouse.up();
  mouse.move(rgb.x, rgb.y);
  mouse.down();
  mouse.drag(500, 350, 20.0f);
  mouse.up();
  EXPECT_EQ(view->getLinks().size(), 1u);
  EXPECT_TRUE(view->connect(a, 1, b, 1));
  EXPECT_EQ(view->getLinks().size(), 2u);

  // the title drags the box, kept inside the view
  mouse.move(60, 25);
  mouse.down();
  mouse.drag(100, 65);
  mouse.up();
  EXPECT_EQ(a->getArea(), Area(60, 60, 180, 140));
  EXPECT_EQ(a->getOutputPos(0), out + Vector2f(40, 40));
  mouse.move(100, 65);
  mouse.down();
  mouse.drag(-300, -300, 50.0f);
  mouse.up();
  EXPECT_EQ(a->getArea().mMin, Vector2f(0, 0));

  // the input's menu disconnects it
  const Vector2f tint = b->getInputPos(1);
  mouse.click(tint.x, tint.y, dis::MOUSE_RIGHT);
  ASSERT_EQ(workspace()->getContext(), b->mContextInput);
  const Vector2f option = b->mContextInput->getOption(0)->getAreaWorld().getCenter();
  mouse.drag(option.x, option.y);
  mouse.down();
  mouse.up();
  ASSERT_EQ(view->getLinks().size(), 1u);
  EXPECT_EQ(view->getLinks()[0].input, 0);
  // a box that goes takes its links along
  delete b;
  EXPECT_TRUE(view->getLinks().empty());
}

// ------------------------------------------------------------ images

TEST_F(FrameWidgetTest, AnImageThatCannotBeReadIsToldAndDrawnAsACross) {
  put("broken.png", "not a picture");
  const std::string out = load(R"(<image id="missing" filename="nowhere.png"><area x="0" y="0" width="64" height="64"/></image>
                                 <image id="broken" filename="broken.png"><area x="0" y="0" width="64" height="64"/></image>)");
  EXPECT_FALSE(get<Image>("missing")->getLoaded());
  EXPECT_FALSE(get<Image>("broken")->getLoaded());
  EXPECT_TRUE(kindra_test::contains(out, "Image 'nowhere.png' could not be read")) << out;
  EXPECT_TRUE(kindra_test::contains(out, "Image 'broken.png' could not be read")) << out;
}

// ------------------------------------------------------------ the mouse during a press

TEST_F(FrameWidgetTest, APressedControlKeepsTheMouseUntilTheRelease) {
  load(R"(<knob id="k" value="0.1"><area x="0" y="0" width="40" height="40"/></knob>
          <button id="b"><area x="100" y="0" width="100" height="100"/></button>)");
  Button* button = get<Button>("b");
  Knob* knob = get<Knob>("k");
  mouse.move(20, 20);
  mouse.down();
  mouse.drag(150, 20);  // over the button: the knob still turns
  EXPECT_NEAR(knob->getValue(), 0.1f + 0.005f * 130.0f, 1e-4);
  EXPECT_FALSE(button->getMouseOver());
  mouse.up();  // the release is the knob's, not the button's
  EXPECT_EQ(log.count(ACTION_BUTTON_RELEASED), 0u);
  EXPECT_FALSE(knob->mClicked);
  mouse.move(151, 20);  // afterwards the mouse is free again
  EXPECT_TRUE(button->getMouseOver());
}

}  // namespace
