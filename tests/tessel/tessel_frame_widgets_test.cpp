// The widgets that hold, show and arrange: the time ruler and the statistics
// graph, windows, panels, tabs, menu bars, the tree view, the colour chooser,
// node boxes and images, driven through the toolkit's input entry points.

#include <gtest/gtest.h>

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

using zelkor::mathbase::Vector4f;
using namespace zelkor::tessel;
namespace dis = zelkor::display;

using FrameWidgetTest = kindra_test::WidgetTest;

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

}  // namespace
