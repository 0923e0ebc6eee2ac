// Building control trees from layout and style files: types, ids, areas after
// layout, style entries and colours, and what bad files do.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tes_container.h"
#include "tes_context.h"
#include "tes_control_factory.h"
#include "tes_flow.h"
#include "tes_frame.h"
#include "tes_label.h"
#include "tes_layoutstack.h"
#include "tes_render.h"
#include "tessel_test_util.h"
#include "zlk_system.h"

namespace {

using kindra_test::contains;
using zelkor::mathbase::Vector4f;
using namespace zelkor::tessel;

void expectArea(Control* c, float x0, float y0, float x1, float y1) {
  ASSERT_NE(c, nullptr);
  const Area& a = c->getArea();
  EXPECT_FLOAT_EQ(a.mMin.x, x0) << c->getId();
  EXPECT_FLOAT_EQ(a.mMin.y, y0) << c->getId();
  EXPECT_FLOAT_EQ(a.mMax.x, x1) << c->getId();
  EXPECT_FLOAT_EQ(a.mMax.y, y1) << c->getId();
}

void expectColor(const Vector4f& c, float r, float g, float b, float a) {
  EXPECT_NEAR(c.x, r, 1e-6);
  EXPECT_NEAR(c.y, g, 1e-6);
  EXPECT_NEAR(c.z, b, 1e-6);
  EXPECT_NEAR(c.w, a, 1e-6);
}

// ------------------------------------------------------------ pieces

TEST(ControlBasics, Hex2vecReadsWholePairsOnly) {
  Control c;
  expectColor(c.hex2vec("ff8000"), 1.0f, 128.0f / 255.0f, 0.0f, 1.0f);
  expectColor(c.hex2vec("FF800080"), 1.0f, 128.0f / 255.0f, 0.0f, 128.0f / 255.0f);
  expectColor(c.hex2vec("a"), 0.0f, 0.0f, 0.0f, 1.0f);
  expectColor(c.hex2vec(""), 0.0f, 0.0f, 0.0f, 1.0f);
  // a cut pair ends the reading; non-digits count as 0
  expectColor(c.hex2vec("ffff0"), 1.0f, 1.0f, 0.0f, 1.0f);
  expectColor(c.hex2vec("zz10ff"), 0.0f, 16.0f / 255.0f, 1.0f, 1.0f);
  expectColor(c.hex2vec("#ff0000"), 15.0f / 255.0f, 240.0f / 255.0f, 0.0f, 1.0f);
}

TEST(ControlBasics, FactoryMakesEveryTypeInCatalogueOrder) {
  ControlFactory::registerStandardTypes();
  ControlFactory::registerStandardTypes();  // once per process
  // the catalogue's order
  const std::vector<std::string> expected = {
      "box",        "boxframe",   "boxview",    "button",     "caption",     "checkbox",   "colorchooser",
      "container",  "context",    "dropdown",   "flow",       "frame",       "image",      "knob",
      "label",      "layoutstack", "menu",      "menubar",    "panel",       "panelframe", "radiobutton",
      "ruler",      "scrollbars", "slider",     "spline",     "stat",        "tabview",    "tabcaption",
      "tabframe",   "textinput",  "treeview",   "window",     "windowframe", "workspace"};
  std::vector<std::string> names = ControlFactory::getTypeNames();
  names.resize(std::min(names.size(), expected.size()));
  EXPECT_EQ(names, expected);
  for (const std::string& type : expected) {
    Control* made = ControlFactory::create(type);
    ASSERT_NE(made, nullptr) << type;
    EXPECT_EQ(made->getType(), type);
    delete made;
  }
  EXPECT_EQ(ControlFactory::create("spinner"), nullptr);  // unknown: cleanly absent
}

// ------------------------------------------------------------ trees

class LayoutTest : public kindra_test::TesselTest {};

TEST_F(LayoutTest, BuildsTheTreeWithTypesIdsAndAreas) {
  const std::string log = loadLayout(R"(
    <frame id="a"><area x="10" y="20" width="100" height="50"/>
      <child>
        <label id="a.text" text="hello" align="right" valign="middle"><area x="1" y="2" w="30" h="10"/></label>
        <container id="a.box"><area x="10" y="0" width="20" height="5" w="5"/></container>
      </child>
    </frame>
    <container id="b" hidden="true"/>
    <container id="c" visible="false"/>
  )");
  EXPECT_TRUE(contains(log, "Creating control: frame."));
  EXPECT_EQ(find("workspace"), workspace());
  Control* a = find("a");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->getType(), "frame");
  EXPECT_EQ(a->getParent(), workspace());
  expectArea(a, 10, 20, 110, 70);
  ASSERT_EQ(a->getChildCount(), 2u);
  EXPECT_EQ(a->getOrder(0)->getId(), "a.text");
  EXPECT_EQ(a->getOrder(1)->getId(), "a.box");
  // "w" after "width": the max is x + w
  expectArea(find("a.box"), 10, 0, 15, 5);
  expectArea(find("a.text"), 1, 2, 31, 12);
  EXPECT_EQ(find("a.box")->getAreaWorld(), Area(20, 20, 25, 25));

  Label* label = dynamic_cast<Label*>(find("a.text"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->getText(), "hello");
  EXPECT_EQ(label->getCaption(), "hello");
  EXPECT_EQ(label->getAlign(), Render::ALIGN_RIGHT);
  EXPECT_EQ(label->getVerticalAlign(), Label::VALIGN_MIDDLE);

  EXPECT_FALSE(find("b")->getVisible());
  EXPECT_FALSE(find("c")->getVisible());
  EXPECT_EQ(find("nothing"), nullptr);
}

TEST_F(LayoutTest, FlowSplitsFixedSizesAndPercents) {
  loadLayout(R"(
    <flow id="v"><area x="0" y="0" width="200" height="300"/>
      <child>
        <container id="v1"><area size="50"/></container>
        <container id="v2"><area percent="1"/></container>
        <container id="v3"><area percent="2"/></container>
        <container id="v4"/>
      </child>
    </flow>
    <flow id="h" direction="horisontal"><area x="0" y="0" width="101" height="40"/>
      <child>
        <container id="h1"><area percent="50"/></container>
        <container id="h2"><area percent="50"/></container>
        <container id="h3"><area size="0"/></container>
      </child>
    </flow>
    <flow id="tight"><area x="0" y="0" width="10" height="30"/>
      <child>
        <container id="t1"><area size="40"/></container>
        <container id="t2"><area percent="100"/></container>
      </child>
    </flow>
  )");
  Flow* v = dynamic_cast<Flow*>(find("v"));
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->getDirection(), DIRECTION_VERTICAL);
  EXPECT_FLOAT_EQ(v->getControlSize(1), -1.0f);
  // fixed 50 + the default 10 of v4; 240 shared 1:2
  expectArea(find("v1"), 0, 0, 200, 50);
  expectArea(find("v2"), 0, 50, 200, 130);
  expectArea(find("v3"), 0, 130, 200, 290);
  expectArea(find("v4"), 0, 290, 200, 300);
  // 50.5 rounds up for both halves
  expectArea(find("h1"), 0, 0, 51, 40);
  expectArea(find("h2"), 51, 0, 102, 40);
  expectArea(find("h3"), 102, 0, 102, 40);
  // no free space left: the share gets nothing
  expectArea(find("t1"), 0, 0, 10, 40);
  expectArea(find("t2"), 0, 40, 10, 40);

  // a resize lays out again
  v->setArea(Area(0, 0, 100, 90));
  expectArea(find("v2"), 0, 50, 100, 60);
  expectArea(find("v3"), 0, 60, 100, 80);
}

TEST_F(LayoutTest, FlowKeepsSizesWithTheirChildren) {
  loadLayout(R"(
    <flow id="v"><area x="0" y="0" width="10" height="100"/>
      <child>
        <container id="a"><area size="20"/></container>
        <container id="b"><area size="30"/></container>
        <container id="c"><area percent="100"/></container>
      </child>
    </flow>
  )");
  Flow* v = dynamic_cast<Flow*>(find("v"));
  ASSERT_NE(v, nullptr);
  v->deleteControl(0);  // "a", in insertion order
  v->setArea();
  expectArea(find("b"), 0, 0, 10, 30);
  expectArea(find("c"), 0, 30, 10, 100);
  // destroyed on its own, a child still leaves the flow
  delete find("b");
  ASSERT_EQ(v->getChildCount(), 1u);
  v->setArea();
  expectArea(find("c"), 0, 0, 10, 100);
  // a new child starts at 10 pixels
  Container* d = new Container;
  v->addControl(d, 0);
  v->setArea();
  expectArea(d, 0, 0, 10, 10);
  expectArea(find("c"), 0, 10, 10, 100);
}

TEST_F(LayoutTest, LayoutStackStacksInOrderAndReversed) {
  loadLayout(R"(
    <layoutstack id="s"><area x="0" y="0" width="300" height="300"/>
      <child>
        <container id="s1"><area x="5" y="99" width="50" height="10"/></container>
        <container id="s2"><area x="0" y="0" width="60" height="20"/></container>
        <container id="s3"><area x="0" y="7" width="70" height="30"/></container>
      </child>
    </layoutstack>
    <layoutstack id="r" direction="horisontal"><area x="0" y="0" width="300" height="300"/>
      <child>
        <container id="r1"><area x="0" y="3" width="50" height="10"/></container>
        <container id="r2"><area x="9" y="0" width="60" height="20"/></container>
      </child>
    </layoutstack>
  )");
  expectArea(find("s1"), 5, 0, 55, 10);
  expectArea(find("s2"), 0, 10, 60, 30);
  expectArea(find("s3"), 0, 30, 70, 60);
  expectArea(find("r1"), 0, 3, 50, 13);
  expectArea(find("r2"), 50, 0, 110, 20);

  LayoutStack* s = dynamic_cast<LayoutStack*>(find("s"));
  ASSERT_NE(s, nullptr);
  s->recalculate(true);
  expectArea(find("s3"), 0, 0, 70, 30);
  expectArea(find("s2"), 0, 30, 60, 50);
  expectArea(find("s1"), 5, 50, 55, 60);
  // a later relayout keeps the reversed order
  s->setArea(Area(0, 0, 200, 200));
  expectArea(find("s3"), 0, 0, 70, 30);
}

TEST_F(LayoutTest, MaximizedControlsFillTheirParentAndTheWindow) {
  loadLayout(R"(
    <flow id="main"><area maximized="true"/>
      <child>
        <frame id="top"><area percent="25"/>
          <child><container id="inner"><area maximized="true"/></container></child>
        </frame>
        <frame id="bottom"><area percent="75"/></frame>
      </child>
    </flow>
  )");
  expectArea(workspace(), 0, 0, 800, 600);
  expectArea(find("main"), 0, 0, 800, 600);
  expectArea(find("top"), 0, 0, 800, 150);
  expectArea(find("inner"), 0, 0, 800, 150);
  expectArea(find("bottom"), 0, 150, 800, 600);

  display.mode.width = 400;
  display.mode.height = 200;
  tessel->onResize(800, 600);
  expectArea(find("main"), 0, 0, 400, 200);
  expectArea(find("inner"), 0, 0, 400, 50);
  expectArea(find("bottom"), 0, 50, 400, 200);
}

// ------------------------------------------------------------ styles

TEST_F(LayoutTest, StyleEntriesComeFirstAndTagsOverrideThem) {
  const std::string style = R"(<tessel>
    <frame>
      <area x="1" y="2" width="30" height="40"/>
      <color name="back.color" first="ff0000" second="00ff0080"/>
      <color name="back.border" first="0000ff" second="ffffff"/>
      <color name="text.highlight" first="010203" second="040506"/>
    </frame>
    <dark hidden="true">
      <color name="back.color" first="000000" second="000000"/>
      <color name="caption.inactive" first="808080" second="404040"/>
      <color name="back.unknown" first="808080" second="404040"/>
    </dark>
    <label text="from style"><child><container id="from_style"/></child></label>
  </tessel>)";
  loadLayout(R"(
    <frame id="plain"/>
    <frame id="own"><area x="5" y="5" width="10" height="10"/><color name="back.color" first="ffffff" second="ffffff"/></frame>
    <frame id="classy" class="dark"/>
    <label id="l1"/>
    <label id="l2" text="own text"/>
  )", style);
  Control* plain = find("plain");
  ASSERT_NE(plain, nullptr);
  expectArea(plain, 1, 2, 31, 42);
  expectColor(plain->mStyle.mBack.mColor1, 1, 0, 0, 1);
  expectColor(plain->mStyle.mBack.mColor2, 0, 1, 0, 128.0f / 255.0f);
  expectColor(plain->mStyle.mBack.mBorder1, 0, 0, 1, 1);
  expectColor(plain->mStyle.mText.mHighlight2, 4.0f / 255, 5.0f / 255, 6.0f / 255, 1);

  Control* own = find("own");
  expectArea(own, 5, 5, 15, 15);
  expectColor(own->mStyle.mBack.mColor1, 1, 1, 1, 1);
  expectColor(own->mStyle.mBack.mBorder1, 0, 0, 1, 1);  // still the style's

  // a class entry replaces the type's entry; the tag sets visibility again
  Control* classy = find("classy");
  expectColor(classy->mStyle.mBack.mColor1, 0, 0, 0, 1);
  expectColor(classy->mStyle.mBack.mBorder1, 0, 0, 0, 0);
  expectColor(classy->mStyle.mCaption.mInactive2, 64.0f / 255, 64.0f / 255, 64.0f / 255, 1);
  EXPECT_TRUE(classy->getVisible());

  EXPECT_EQ(dynamic_cast<Label*>(find("l1"))->getText(), "from style");
  EXPECT_EQ(dynamic_cast<Label*>(find("l2"))->getText(), "own text");
  // children of a style entry are created for every control that takes it
  EXPECT_EQ(find("l1")->getChildCount(), 1u);
  EXPECT_EQ(find("l2")->getChildCount(), 1u);
}

// ------------------------------------------------------------ bad input

TEST_F(LayoutTest, UnknownTypesAreLoggedAndSkipped) {
  const std::string log = loadLayout(R"(
    <frame id="first"/>
    <gizmo id="odd"><child><frame id="lost"/></child></gizmo>
    <!-- a comment between controls -->
    <frame id="last"/>
  )");
  EXPECT_TRUE(contains(log, " -> Control type 'gizmo' not found")) << log;
  EXPECT_TRUE(contains(log, "layout.xml: <workspace id=\"workspace\">: unknown control type <gizmo> skipped")) << log;
  EXPECT_NE(find("first"), nullptr);
  EXPECT_NE(find("last"), nullptr);
  EXPECT_EQ(find("odd"), nullptr);
  EXPECT_EQ(find("lost"), nullptr);
  EXPECT_EQ(workspace()->getChildCount(), 2u);
}

TEST_F(LayoutTest, BadNumbersAndMissingSizesAreLoggedWithFileAndElement) {
  const std::string log = loadLayout(R"(
    <frame id="f"><area x="abc" y="12px" width="nan" height="40"/></frame>
    <frame id="g"><area x="1" y="1"/></frame>
    <frame id="far"><area x="1e30" y="-4e9" width="5" height="5"/></frame>
    <flow id="fl"><area x="0" y="0" width="10" height="100"/>
      <child><container id="fc"><area size="ten"/></container></child>
    </flow>
  )");
  EXPECT_TRUE(contains(log, "layout.xml: <frame id=\"f\"> <area>: \"x\" is not a number: \"abc\"; read as 0")) << log;
  EXPECT_TRUE(contains(log, "\"y\" is not a number: \"12px\"; read as 12")) << log;
  EXPECT_TRUE(contains(log, "\"width\" is not a number: \"nan\"; read as 0")) << log;
  EXPECT_TRUE(contains(log, "layout.xml: <frame id=\"g\"> <area>: missing \"width\" and \"height\"; read as 0")) << log;
  EXPECT_TRUE(contains(log, "layout.xml: <container id=\"fc\"> <area>: \"size\" is not a number: \"ten\"")) << log;
  expectArea(find("f"), 0, 12, 0, 52);
  expectArea(find("g"), 1, 1, 1, 1);
  EXPECT_TRUE(contains(log, "layout.xml: <frame id=\"far\"> <area>: \"x\" is out of range: \"1e30\"; read as 1e+07")) << log;
  EXPECT_TRUE(contains(log, "\"y\" is out of range: \"-4e9\"; read as -1e+07")) << log;
  expectArea(find("far"), 1e7f, -1e7f, 1e7f + 5, -1e7f + 5);
  expectArea(find("fc"), 0, 0, 10, 0);
}

TEST_F(LayoutTest, BadColoursAndUnknownClassesAreLoggedWithTheStyleFile) {
  const std::string style = R"(<tessel>
    <frame><color name="back.color" first="12345" second="GG0000"/></frame>
  </tessel>)";
  const std::string log = loadLayout(R"(
    <frame id="f"/>
    <frame id="k" class="missing"/>
    <frame id="own"><color name="text.color" first="red" second="00ff00"/><color name="bogus" first="00ff00"/></frame>
  )", style);
  EXPECT_TRUE(contains(log, "style.xml: <frame> <color name=\"back.color\">: \"first\" is not a colour (rrggbb or rrggbbaa): \"12345\"")) << log;
  EXPECT_TRUE(contains(log, "\"second\" is not a colour (rrggbb or rrggbbaa): \"GG0000\"")) << log;
  EXPECT_TRUE(contains(log, "layout.xml: <frame id=\"k\" class=\"missing\">: style entry 'missing' not found in style.xml")) << log;
  EXPECT_TRUE(contains(log, "layout.xml: <frame id=\"own\"> <color name=\"text.color\">: \"first\" is not a colour")) << log;
  EXPECT_TRUE(contains(log, "layout.xml: <frame id=\"own\"> <color name=\"bogus\">: unknown colour name; ignored")) << log;
  // the fallback is hex2vec's reading
  expectColor(find("f")->mStyle.mBack.mColor1, 18.0f / 255, 52.0f / 255, 0, 1);
  expectColor(find("f")->mStyle.mBack.mColor2, 0, 0, 0, 1);
  // without a class entry the control keeps its defaults
  expectColor(find("k")->mStyle.mBack.mColor2, 0, 1, 0, 1);
}

TEST_F(LayoutTest, MissingOrBrokenStyleFilesLeaveNoStyles) {
  struct Case {
    const char* file;
    const char* text;  // nullptr: not there
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"nowhere.xml", nullptr, {"Tessel::load: Warning: Style not found!\n", "nowhere.xml"}},
      {"broken.xml", "<tessel><frame><color name=\"back.color\"</tessel>", {"broken.xml", "cannot be read; no styles"}},
      {"wrong.xml", "<style><frame/></style>", {"wrong.xml: root element is <style>, not <tessel>; no styles"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    if (c.text) put(c.file, c.text);
    put("layout.xml", std::string("<tessel><workspace style=\"") + c.file +
                          "\"><child><frame id=\"f\"/></child></workspace></tessel>");
    kindra_test::StdoutCapture capture;
    tessel->load("layout.xml");
    const std::string log = capture.finish();
    for (const std::string& message : c.messages) EXPECT_TRUE(contains(log, message)) << log;
    EXPECT_FALSE(workspace()->hasStyle());
    EXPECT_NE(find("f"), nullptr);
  }
}

TEST_F(LayoutTest, MissingBrokenOrForeignLayoutFiles) {
  put("broken.xml", "<tessel><workspace><child><frame id=\"x\"></child></workspace></tessel>");
  const std::pair<const char*, const char*> throwing[] = {{"absent.xml", "Could not find the file 'absent.xml'."},
                                                          {"broken.xml", "broken.xml"}};
  for (const auto& [file, message] : throwing) {
    kindra_test::StdoutCapture capture;
    try {
      tessel->load(file);
      ADD_FAILURE() << "no exception for " << file;
    } catch (const zelkor::Exception& e) {
      EXPECT_TRUE(contains(e.what(), message)) << e.what();
    }
  }
  put("other.xml", "<demo><workspace><child><frame id=\"x\"/></child></workspace></demo>");
  kindra_test::StdoutCapture capture;
  tessel->load("other.xml");
  EXPECT_TRUE(contains(capture.finish(), "other.xml: root element is <demo>, not <tessel>; nothing loaded"));
  EXPECT_EQ(workspace()->getChildCount(), 0u);
}

TEST_F(LayoutTest, StyleEntriesThatNestThemselvesStop) {
  const std::string style = R"(<tessel>
    <frame><child><frame/><container/></child></frame>
    <container><child><frame/></child></container>
  </tessel>)";
  const std::string log = loadLayout("<frame id=\"f\"/>", style);
  EXPECT_TRUE(contains(log, "style.xml: <frame>: style entry nests itself; not applied again")) << log;
  // f <- frame entry: a frame (its own entry refused) and a container (whose
  // entry's frame is refused again)
  Control* f = find("f");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(f->getChildCount(), 2u);
  EXPECT_EQ(f->getOrder(0)->getChildCount(), 0u);
  EXPECT_EQ(f->getOrder(1)->getChildCount(), 1u);
}

int countControls(Control* c) {
  int n = 1;
  for (uint32_t i = 0; i < c->getChildCount(); ++i) n += countControls(c->getChild(i));
  return n;
}

TEST_F(LayoutTest, StylesThatMultiplyControlsAreCutOff) {
  // each level's entry holds ten of the next: a million controls asked for
  std::string style = "<tessel>";
  const std::string levels = "abcdefg";
  for (size_t i = 0; i + 1 < levels.size(); ++i) {
    style += "<" + levels.substr(i, 1) + "><child>";
    for (int k = 0; k < 10; ++k) style += "<container class=\"" + levels.substr(i + 1, 1) + "\"/>";
    style += "</child></" + levels.substr(i, 1) + ">";
  }
  style += "<g/></tessel>";
  const std::string log = loadLayout("<container id=\"top\" class=\"a\"/><frame id=\"after\"/>", style);
  EXPECT_TRUE(contains(log, "more than 100000 controls; the rest is skipped")) << log.substr(0, 2000);
  EXPECT_LE(countControls(workspace()), 100001);
  ASSERT_NE(find("top"), nullptr);
  EXPECT_EQ(find("after"), nullptr);  // the budget is spent
  // the next load starts afresh
  loadLayout("<frame id=\"next\"/>");
  EXPECT_NE(find("next"), nullptr);
}

TEST_F(LayoutTest, ContextItemsBecomeNestedOptions) {
  const std::string log = loadLayout(R"(
    <context id="menu" caption="spline">
      <item caption="Delete"/>
      <item caption="type"><item caption="square"/><item name="lin" caption="Linear"/></item>
      <item/>
      <item name="bare"/>
    </context>
  )");
  Context* menu = dynamic_cast<Context*>(find("menu"));
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->getOptionCount(), 3u);
  EXPECT_EQ(menu->getOption(0)->getName(), "Delete");
  Context* type = menu->getOption(1);
  ASSERT_EQ(type->getOptionCount(), 2u);
  EXPECT_EQ(type->getOption(1)->getName(), "lin");
  EXPECT_EQ(type->getOption(1)->getCaption(), "Linear");
  EXPECT_EQ(menu->getOption(2)->getCaption(), "bare");
  EXPECT_TRUE(contains(log, "layout.xml: <item>: item without \"caption\"; skipped")) << log;
  EXPECT_TRUE(contains(log, "item without \"caption\"; shown as its name")) << log;
}

}  // namespace
