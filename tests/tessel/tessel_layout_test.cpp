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

// ------------------------------------------------------------ pieces

TEST(ControlFactory, MakesEveryTypeOfTheCatalogueByNameAndNothingForAnUnknownOne) {
  ControlFactory::registerStandardTypes();
  ControlFactory::registerStandardTypes();  // once per process
  const std::vector<std::string> names = ControlFactory::getTypeNames();
  EXPECT_EQ(names.size(), 34u);
  for (const std::string& type : names) {
    std::unique_ptr<Control> made(ControlFactory::create(type));
    ASSERT_NE(made, nullptr) << type;
    EXPECT_EQ(made->getType(), type);
  }
  EXPECT_EQ(ControlFactory::create("spinner"), nullptr);
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

// ------------------------------------------------------------ bad input

TEST_F(LayoutTest, BadNumbersAndMissingSizesAreLoggedWithFileAndElement) {
  const std::string log = loadLayout(R"(
    <frame id="f"><area x="abc" y="12px" width="nan" height="40"/></frame>
    <frame id="g"><area x="1" y="1"/></frame>
    <frame id="far"><area x="1e30" y="-4e9" width="5" height="5"/></frame>
    <flow id="fl"><area x="0" y="0" width="10" height="100"/>
      <child><container id="fc"><area size="ten"/></container></child>
    </flow>
    <gadget id="unknown"/>
    <frame id="classy" class="fancy"/>
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
  EXPECT_TRUE(contains(log, "layout.xml: <workspace id=\"workspace\">: unknown control type <gadget> skipped")) << log;
  EXPECT_TRUE(contains(log, "<frame id=\"classy\" class=\"fancy\">: style entry 'fancy' not found (no style file)"));
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

}  // namespace
