// The widgets on a real display: a gallery of them drawn with the editor's
// font and read back (and kept as a picture, widgets_gallery.png, in the
// build's test directory), and input through the device's own event path.

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "am.h"
#include "am_image.h"
#include "dis_display_glfw.h"
#include "dis_glinclude.h"
#include "frame_reader.h"
#include "glfw_inject.h"
#include "tes_box.h"
#include "tes_boxview.h"
#include "tes_button.h"
#include "tes_colorchooser.h"
#include "tes_dropdown.h"
#include "tes_image.h"
#include "tes_knob.h"
#include "tes_radiobutton.h"
#include "tes_render.h"
#include "tes_ruler.h"
#include "tes_scrollbars.h"
#include "tes_slider.h"
#include "tes_spline.h"
#include "tes_stat.h"
#include "tes_textinput.h"
#include "tes_workspace.h"
#include "tessel.h"
#include "test_support.h"
#include "widget_driver.h"
#include "widget_gallery.h"

namespace {

using zelkor::mathbase::Vector4f;
using namespace zelkor::tessel;
namespace dis = zelkor::display;

// Only the classes whose colours the checks below read; the rest draw with defaults.
const char* const kStyle = R"(<tessel>
  <button>
    <color name="back.color" first="3d6fb6" second="3d6fb6"/>
    <color name="back.inactive" first="3a3d44" second="3a3d44"/>
    <color name="text.color" first="ffffff" second="ffffff"/>
  </button>
  <slider>
    <color name="back.color" first="14161b" second="1c1f26"/>
    <color name="caption.color" first="f2c35c" second="f2c35c"/>
  </slider>
  <context>
    <color name="back.color" first="2e333d" second="2e333d"/>
    <color name="back.highlight" first="3d6fb6" second="3d6fb6"/>
  </context>
  <ruler>
    <color name="back.color" first="20242c" second="16181d"/>
    <color name="back.inactive" first="8090a0" second="8090a0"/>
    <color name="caption.color" first="40e070" second="40e070"/>
    <color name="caption.highlight" first="ff4040" second="ff4040"/>
    <color name="text.color" first="d6dae2" second="d6dae2"/>
  </ruler>
</tessel>)";

class WidgetDrawTest : public kindra_test::DrawFixture {
 protected:
  void SetUp() override {
    DrawFixture::SetUp();
    ASSERT_GE(archive.addArchive(kindra_test::sourceDir() + "/data/"), 0);
    writePicture();
    clearer.r = 0.05f;
    clearer.g = 0.08f;
    clearer.b = 0.12f;
    open(kindra_test::kGallery, kStyle, kWidth, kHeight);
  }

  // A 32 x 32 picture: red left half, blue right half, a white top row.
  void writePicture() {
    zelkor::am::Image picture(new zelkor::am::ImageObject(32, 32));
    unsigned char* bgra = picture->getWriteData();
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) {
        unsigned char* p = bgra + (y * 32 + x) * 4;
        const bool white = y < 4;
        p[0] = white || x >= 16 ? 255 : 0;
        p[1] = white ? 255 : 0;
        p[2] = white || x < 16 ? 255 : 0;
        p[3] = 255;
      }
    }
    ASSERT_TRUE(archive.writeImage("picture.png", picture));
  }

  void expectPixel(int x, int y, int r, int g, int b, int tolerance = 6) const {
    DrawFixture::expectPixel(x, y, r, g, b, tolerance);
  }
  int brightIn(const Area& a, int level = 150) const { return reader.brightIn(a, level); }
  void keepPicture(const std::string& name) {
    zelkor::am::Image image(new zelkor::am::ImageObject(kWidth, kHeight));
    device->getScreenShot(image);
    zelkor::am::ArchiveManager out;
    ASSERT_GE(out.addArchive(kindra_test::binaryDir() + "/tests/tessel/"), 0);
    EXPECT_TRUE(out.writeImage(name, image));
  }

  static constexpr int kWidth = 800;
  static constexpr int kHeight = 600;
};

TEST_F(WidgetDrawTest, AGalleryOfEveryWidgetDraws) {
  // nothing in the gallery is unknown or malformed
  for (const std::string& line : kindra_test::splitLines(loadLog)) {
    EXPECT_EQ(line.find("[warning]"), std::string::npos) << line;
  }
  ASSERT_TRUE(tessel->getWorkspace()->getRender()->hasFont());
  get<Button>("off")->setInactive(true);
  Ruler* ruler = get<Ruler>("ruler");
  ruler->setShadow(250);
  ruler->setShadow2(420);
  Stat* stat = get<Stat>("stat");
  for (int i = 0; i < 120; ++i) {
    stat->mStartTime = -1.0f;
    stat->addValue(8.0f + 4.0f * std::sin(static_cast<float>(i) * 0.2f));
  }
  BoxView* graph = get<BoxView>("graph");
  ASSERT_TRUE(graph->connect(get<Box>("noise"), 0, get<Box>("mix"), 0));
  ASSERT_TRUE(graph->connect(get<Box>("noise"), 1, get<Box>("mix"), 1));
  ColorChooser* chooser = get<ColorChooser>("chooser");
  chooser->setColor(Vector4f(0.95f, 0.6f, 0.2f, 1.0f));
  EXPECT_EQ(chooser->getColorText(), "f29933ff");
  get<TextInput>("name")->select(0, 6);
  frame();
  keepPicture("widgets_gallery.png");

  // the push button's face, the inactive one's
  const Area push = get<Button>("push")->getAreaWorld();
  expectPixel(static_cast<int>(push.mMin.x) + 4, static_cast<int>(push.mMin.y) + 4, 0x3d, 0x6f, 0xb6);
  const Area off = get<Button>("off")->getAreaWorld();
  expectPixel(static_cast<int>(off.mMin.x) + 4, static_cast<int>(off.mMin.y) + 4, 0x3a, 0x3d, 0x44);
  EXPECT_GT(brightIn(push), 20);  // its caption
  // the slider's bar at 0.6 of its travel
  Slider* speed = get<Slider>("speed");
  const Area bar = speed->getBarArea(0.6f) + speed->getAreaWorld().mMin;
  expectPixel(static_cast<int>(bar.getCenter().x), static_cast<int>(bar.getCenter().y), 0xf2, 0xc3, 0x5c);
  expectPixel(static_cast<int>(bar.mMin.x) - 4, static_cast<int>(bar.getCenter().y), 0x18, 0x1a, 0x20, 10);
  // the picture, its white top row up
  const Area picture = get<Image>("picture")->getAreaWorld();
  EXPECT_TRUE(get<Image>("picture")->getLoaded());
  expectPixel(static_cast<int>(picture.mMin.x) + 10, static_cast<int>(picture.mMin.y) + 2, 255, 255, 255, 12);
  expectPixel(static_cast<int>(picture.mMin.x) + 10, static_cast<int>(picture.mMax.y) - 10, 255, 0, 0, 12);
  expectPixel(static_cast<int>(picture.mMax.x) - 10, static_cast<int>(picture.mMax.y) - 10, 0, 0, 255, 12);

  // the ruler: a labelled tick every 100 pixels, small ones every 10
  const Area r = ruler->getAreaWorld();
  const int rx = static_cast<int>(r.mMin.x), ry = static_cast<int>(r.mMin.y);
  expectPixel(rx + 100, ry + 20, 0x80, 0x90, 0xa0);
  expectPixel(rx + 300, ry + 16, 0x80, 0x90, 0xa0);
  expectPixel(rx + 110, ry + 23, 0x80, 0x90, 0xa0);
  EXPECT_NE(at(rx + 110, ry + 17).g, 0x90);  // small ticks are shorter
  EXPECT_NE(at(rx + 105, ry + 23).g, 0x90);
  // its labels above the ticks
  EXPECT_GT(brightIn(Area(r.mMin.x + 85, r.mMin.y, r.mMin.x + 115, r.mMin.y + 15)), 5);
  // the start mark and the play head run down through the content
  expectPixel(rx + 250, ry + 120, 0x40, 0xe0, 0x70);
  expectPixel(rx + 420, ry + 200, 0xff, 0x40, 0x40);
  expectPixel(rx + 420, ry + 20, 0x80, 0x90, 0xa0, 255);  // (the band itself is not crossed)
  EXPECT_NE(at(rx + 420, ry + 10).r, 0xff);

  // the curve's tangents, and a key's menu over everything
  Event show;
  show.type = "context";
  show.action = "spline.tangents.show";
  get<Spline>("curve")->handleEvent(show);
  kindra_test::ToolkitDriver(*tessel).play("@curve 50,30 D U");
  ASSERT_NE(tessel->getWorkspace()->getContext(), nullptr);
  frame();
  const Area menu = tessel->getWorkspace()->getContext()->getAreaWorld();
  expectPixel(static_cast<int>(menu.mMin.x) + 3, static_cast<int>(menu.getCenter().y), 0x2e, 0x33, 0x3d);
  // the row under the pointer is marked
  kindra_test::ToolkitDriver(*tessel).move(menu.mMin.x + 20.0f, menu.mMin.y + 8.0f);
  frame();
  expectPixel(static_cast<int>(menu.mMin.x) + 3, static_cast<int>(menu.mMin.y) + 8, 0x3d, 0x6f, 0xb6);
  // a grey keeps the hue the wheel had
  const float hue = chooser->getWheel()->getHue();
  chooser->setColor(Vector4f(0.5f, 0.5f, 0.5f, 1.0f));
  EXPECT_FLOAT_EQ(chooser->getWheel()->getHue(), hue);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
