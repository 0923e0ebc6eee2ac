// Images whose files are missing or broken.

#include <gtest/gtest.h>

#include <string>

#include "tes_image.h"
#include "tessel_test_util.h"
#include "widget_driver.h"

namespace {

using namespace zelkor::tessel;

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
