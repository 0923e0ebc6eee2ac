// The toolkit on a real display: a tree drawn over a cleared frame and read
// back, clipping, the context menu on top, and mouse input arriving through
// the device's event path.

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "frame_reader.h"
#include "glfw_inject.h"
#include "tes_context.h"
#include "tes_control_factory.h"
#include "tes_label.h"
#include "tes_render.h"
#include "tes_workspace.h"

namespace {

using zelkor::mathbase::Vector2f;
using namespace zelkor::tessel;
namespace display = zelkor::display;

using kindra_test::Rgb;

// A pressable control for the input path.
class Pad : public Control {
 public:
  Pad() { mType = "testpad"; }
  Control* clone() const override { return new Pad; }
  int handleEvent(Event& event) override {
    if (event.type == "mousedown" && event.button == display::MOUSE_LEFT) {
      doubleClicks += event.doubleClick;
      sendAction(ACTION_BUTTON_PRESSED);
      return 1;
    }
    if (event.type == "mouseup" && event.button == display::MOUSE_LEFT) {
      sendAction(ACTION_BUTTON_RELEASED);
      return 1;
    }
    if (event.type == "mousedown" && event.button == display::MOUSE_RIGHT) {
      menu.deleteOptions();
      menu.setCaption("pad");
      menu.addOption("first", "First");
      menu.addOption("second", "Second");
      menu.setPosition(event.mousePos - mArea.mMin);
      setContext(&menu);
      return 1;
    }
    return Control::handleEvent(event);
  }
  int doubleClicks = 0;
  Context menu;
};

// Draws a filled circle and a diagonal line in its area.
class Painter : public Control {
 public:
  Painter() { mType = "testpainter"; }
  Control* clone() const override { return new Painter; }
  void draw(Area area, Area base, Area clip) override {
    Render* render = getRender();
    render->setColor(zelkor::mathbase::Vector4f(1, 1, 1, 1));
    render->drawCircle(Area(area.mMin.x, area.mMin.y, area.mMin.x + 40, area.mMin.y + 40));
    render->setColor(zelkor::mathbase::Vector4f(1, 0, 1, 1));
    render->drawLine(Vector2f(area.mMin.x + 50.5f, area.mMin.y + 0.5f), Vector2f(area.mMin.x + 50.5f, area.mMax.y));
    Control::draw(area, base, clip);
  }
};

class Recorder : public Callback {
 public:
  void controlAction(Control* control, Action action) override { actions.push_back({control, action}); }
  void contextAction(Context*, std::string action) override { contexts.push_back(action); }
  std::vector<std::pair<Control*, Action>> actions;
  std::vector<std::string> contexts;
};

const char* const kStyle = R"(<tessel>
  <frame>
    <color name="back.color" first="ff0000" second="ff0000"/>
    <color name="back.border" first="00ff00" second="00ff00"/>
  </frame>
  <blue>
    <color name="back.color" first="0000ff" second="0000ff"/>
    <color name="back.border" first="0000ff" second="0000ff"/>
  </blue>
  <context>
    <color name="back.color" first="ffff00" second="ffff00"/>
    <color name="back.border" first="ffff00" second="ffff00"/>
    <color name="back.highlight" first="00ffff" second="00ffff"/>
  </context>
</tessel>)";

// A 128 x 128 glyph sheet of 8 x 8 cells: letters are blocks five columns
// wide; 'T' is a bar over its two top rows, to tell up from down.
void writeGlyphSheet(zelkor::am::ArchiveManager& archive) {
  zelkor::am::Image sheet(new zelkor::am::ImageObject(128, 128));
  unsigned char* bgra = sheet->getWriteData();
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) {
      const int code = (y / 8) * 16 + x / 8;
      const int column = x % 8;
      const int row = y % 8;
      bool lit = code >= 'a' && code <= 'z' && column <= 4;
      if (code == 'T') lit = row <= 1 && column <= 6;
      unsigned char* p = bgra + (y * 128 + x) * 4;
      p[0] = p[1] = 0;
      p[2] = lit ? 255 : 0;
      p[3] = 255;
    }
  }
  ASSERT_TRUE(archive.writeImage("font.png", sheet));
}

const char* const kLayout = R"(<tessel>
  <workspace id="workspace" style="style.xml" font="font.png">
    <child>
      <frame id="f"><area x="20" y="20" width="100" height="80"/>
        <child>
          <frame id="wide" class="blue"><area x="50" y="10" width="200" height="30"/></frame>
        </child>
      </frame>
      <frame id="thin" class="blue"><area x="200" y="150" width="1" height="50"/></frame>
      <frame id="hidden" class="blue" hidden="true"><area x="250" y="150" width="40" height="40"/></frame>
      <testpad id="pad"><area x="150" y="20" width="100" height="100"/></testpad>
    </child>
  </workspace>
</tessel>)";

class DrawTest : public kindra_test::DrawFixture {
 protected:
  static void SetUpTestSuite() {
    ControlFactory::addControlType(new Pad);
    ControlFactory::addControlType(new Painter);
  }
  void SetUp() override {
    DrawFixture::SetUp();
    writeGlyphSheet(archive);
    open(kLayout, kStyle, kWidth, kHeight);
  }
  void expectBackground(int x, int y) const { expectPixel(x, y, 0, 0, 64); }

  static constexpr int kWidth = 320;
  static constexpr int kHeight = 240;
};

TEST_F(DrawTest, FramesFillWithTheirStyleColoursInsideTheirBorders) {
  frame();
  // inside the frame, away from its child
  expectPixel(40, 80, 255, 0, 0);
  expectPixel(118, 98, 255, 0, 0);
  // its one-pixel border
  expectPixel(60, 20, 0, 255, 0);
  expectPixel(20, 60, 0, 255, 0);
  expectPixel(119, 60, 0, 255, 0);
  expectPixel(60, 99, 0, 255, 0);
  // just outside
  expectBackground(60, 19);
  expectBackground(19, 60);
  expectBackground(120, 60);
  expectBackground(60, 100);
  // the child, clipped at its parent's edge
  expectPixel(100, 45, 0, 0, 255);
  expectPixel(119, 45, 0, 0, 255);
  expectBackground(121, 45);
  expectBackground(140, 45);
  // one pixel wide after clipping: not drawn; hidden: not drawn
  expectBackground(200, 170);
  expectBackground(270, 170);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DrawTest, CirclesLinesAndText) {
  Workspace* workspace = tessel->getWorkspace();
  Painter* painter = new Painter;
  painter->setArea(Area(20, 130, 80, 200));
  workspace->addControl(painter, -1);
  const char* const aligns[] = {"left", "center", "right"};
  std::vector<Label*> labels;
  for (int i = 0; i < 3; ++i) {
    Label* label = new Label;
    label->setCaption("abc");
    label->mAlign = i == 0 ? Render::ALIGN_LEFT : i == 1 ? Render::ALIGN_CENTER : Render::ALIGN_RIGHT;
    label->mVerticalAlign = Label::VALIGN_MIDDLE;
    label->mStyle.mText.mColor1 = zelkor::mathbase::Vector4f(1, 1, 1, 1);
    label->setArea(Area(100, 130.0f + 30 * i, 220, 150.0f + 30 * i));
    workspace->addControl(label, -1);
    labels.push_back(label);
  }
  frame();
  expectPixel(40, 150, 255, 255, 255);  // the circle's centre
  expectPixel(59, 150, 255, 255, 255);
  expectBackground(22, 132);            // outside it, in the box's corner
  expectBackground(57, 167);
  expectPixel(70, 160, 255, 0, 255);    // the line
  expectBackground(72, 160);

  const float length = workspace->getRender()->getTextLength("abc");
  for (int i = 0; i < 3; ++i) {
    const Area a = labels[i]->getArea();
    int first = kWidth, last = -1, top = kHeight, bottom = -1;
    for (int y = static_cast<int>(a.mMin.y) - 5; y < static_cast<int>(a.mMax.y) + 5; ++y) {
      for (int x = 90; x < 240; ++x) {
        const Rgb p = at(x, y);
        if (p.r > 128 && p.g > 128) {
          first = std::min(first, x);
          last = std::max(last, x);
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
      }
    }
    SCOPED_TRACE(aligns[i]);
    ASSERT_GE(last, 0) << "no text drawn";
    // the ink lies inside the label, on the side its alignment names
    EXPECT_GE(top, static_cast<int>(a.mMin.y));
    EXPECT_LT(bottom, static_cast<int>(a.mMax.y));
    EXPECT_LE(last - first + 1, static_cast<int>(length));
    const float inkCentre = (first + last + 1) / 2.0f;
    const float expected = i == 0 ? a.mMin.x + length / 2 : i == 1 ? a.getCenter().x : a.mMax.x - length / 2;
    EXPECT_NEAR(inkCentre, expected, 3.0f);
    // three blocks of five columns at the font's advance of six
    EXPECT_EQ(last - first + 1, 17);
    EXPECT_EQ(bottom - top + 1, 8);
  }
}

TEST_F(DrawTest, TextStandsUpright) {
  Label* label = new Label;
  label->setCaption("T");
  label->mStyle.mText.mColor1 = zelkor::mathbase::Vector4f(1, 1, 1, 1);
  label->setArea(Area(100, 200, 200, 220));
  tessel->getWorkspace()->addControl(label, -1);
  ASSERT_FLOAT_EQ(tessel->getWorkspace()->getRender()->getFontHeight(), 8.0f);
  frame();
  // the bar is on the two top rows of the line, which starts at the top
  expectPixel(100, 200, 255, 255, 255);
  expectPixel(106, 201, 255, 255, 255);
  expectBackground(107, 200);
  expectBackground(100, 202);
  expectBackground(103, 206);
  expectBackground(100, 199);
}

TEST_F(DrawTest, AHiddenWorkspaceDrawsNothing) {
  tessel->findControl("workspace")->setVisible(false);
  frame();
  expectBackground(40, 80);
  expectBackground(100, 45);
}

TEST_F(DrawTest, PanningMovesDrawingAndClippingTogether) {
  tessel->setPan(Vector2f(10, 5));
  frame();
  expectPixel(30, 75, 255, 0, 0);
  expectPixel(50, 15, 0, 255, 0);
  expectPixel(109, 40, 0, 0, 255);
  expectBackground(111, 40);
}

TEST_F(DrawTest, MouseInputThroughTheDeviceReachesControlsAndMenus) {
  Recorder recorder;
  Control* pad = tessel->findControl("pad");
  ASSERT_NE(pad, nullptr);
  pad->setCallback(&recorder);
  frame();
  kindra_test::mouseMove(160, 60);
  kindra_test::mouseButton(GLFW_MOUSE_BUTTON_LEFT, true);
  kindra_test::mouseButton(GLFW_MOUSE_BUTTON_LEFT, false);
  kindra_test::mouseButton(GLFW_MOUSE_BUTTON_LEFT, true);
  kindra_test::mouseButton(GLFW_MOUSE_BUTTON_LEFT, false);
  ASSERT_EQ(recorder.actions.size(), 4u);
  EXPECT_EQ(recorder.actions[0].first, pad);
  EXPECT_EQ(recorder.actions[0].second, ACTION_BUTTON_PRESSED);
  EXPECT_EQ(recorder.actions[1].second, ACTION_BUTTON_RELEASED);
  EXPECT_EQ(recorder.actions[2].second, ACTION_BUTTON_PRESSED);
  EXPECT_EQ(static_cast<Pad*>(pad)->doubleClicks, 1);

  // a menu opened by a right click is drawn on top of everything
  kindra_test::mouseButton(GLFW_MOUSE_BUTTON_RIGHT, true);
  kindra_test::mouseButton(GLFW_MOUSE_BUTTON_RIGHT, false);
  Workspace* workspace = tessel->getWorkspace();
  Pad* p = static_cast<Pad*>(pad);
  ASSERT_EQ(workspace->getContext(), &p->menu);
  const Area menuArea = p->menu.getAreaWorld();
  EXPECT_EQ(menuArea.mMin, Vector2f(160, 60));
  frame();
  expectPixel(static_cast<int>(menuArea.mMax.x) - 4, static_cast<int>(menuArea.mMax.y) - 2, 255, 255, 0);
  // hovering a row highlights it
  const Vector2f second = p->menu.getOption(1)->getAreaWorld().getCenter();
  kindra_test::mouseMove(second.x, second.y);
  frame();
  expectPixel(static_cast<int>(p->menu.getOption(1)->getAreaWorld().mMax.x) - 2, static_cast<int>(second.y), 0, 255,
              255);
  kindra_test::mouseButton(GLFW_MOUSE_BUTTON_LEFT, true);
  kindra_test::mouseButton(GLFW_MOUSE_BUTTON_LEFT, false);
  EXPECT_EQ(workspace->getContext(), nullptr);
  ASSERT_EQ(recorder.contexts.size(), 1u);
  EXPECT_EQ(recorder.contexts[0], "pad.second");
  frame();
  expectBackground(static_cast<int>(menuArea.mMax.x) - 4, static_cast<int>(menuArea.mMax.y) - 2);
}

TEST_F(DrawTest, TheShippedLayoutLoadsAndDraws) {
  zelkor::am::ArchiveManager data;
  ASSERT_GE(data.addArchive(kindra_test::sourceDir() + "/data/"), 0);
  device->setArchive(&data);
  Tessel editor(device.get());
  kindra_test::StdoutCapture capture;
  editor.load("layout.xml");
  // nothing to warn of but, until the asset tools make it, the font sheet
  for (const std::string& line : kindra_test::splitLines(capture.finish())) {
    if (line.find("[warning]") != std::string::npos) {
      EXPECT_NE(line.find("Font 'fonthelvete2.png'"), std::string::npos) << line;
    }
  }
  for (const char* id : {"workspace", "main_window", "main_body", "effects", "fps"}) {
    EXPECT_NE(editor.findControl(id), nullptr) << id;
  }
  const Area window = editor.findControl("main_window")->getAreaWorld();
  EXPECT_FLOAT_EQ(window.mMax.y, static_cast<float>(kHeight));
  EXPECT_GT(window.getHeight(), 50.0f);
  frame();
  // the editor's panel covers the lower part of the window, the demo shows above
  const Rgb panel = at(kWidth / 2, kHeight - 20);
  EXPECT_FALSE(panel.r == 0 && panel.g == 0 && panel.b == 64);
  expectBackground(kWidth / 2, 10);
  device->setArchive(&archive);
}

}  // namespace
