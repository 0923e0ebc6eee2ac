// Event routing through the control tree: hit testing, focus, hover, consumed
// events, actions and context menus, and the toolkit's listener entry points.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tes_container.h"
#include "tes_context.h"
#include "tes_render.h"
#include "tessel_test_util.h"
#include "widget_driver.h"

namespace {

using zelkor::mathbase::Vector2f;
using namespace zelkor::tessel;
namespace display = zelkor::display;

// Records what reaches it; may consume, accept everything, or report an
// action when pressed.
class Probe : public Control {
 public:
  Probe(const std::string& id, const Area& area) {
    mId = id;
    mType = "probe";
    mArea = area;
  }
  int handleEvent(Event& event) override {
    seen.push_back(event.type);
    last = event;
    if (event.type == "context") contextEvents.push_back(event.action);
    if (event.type == "mousedown" && action >= 0) sendAction(static_cast<Action>(action));
    const int used = Control::handleEvent(event);
    return consume ? 1 : used;
  }
  bool acceptEvents(Event& event) override { return acceptAll || Control::acceptEvents(event); }

  int count(const std::string& type) const {
    int n = 0;
    for (const std::string& t : seen) n += t == type;
    return n;
  }

  std::vector<std::string> seen;
  std::vector<std::string> contextEvents;
  Event last;
  bool consume = false;
  bool acceptAll = false;
  int action = -1;
};

class EventTest : public kindra_test::TesselTest {
 protected:
  Probe* probe(const std::string& id, const Area& area, Control* parent = nullptr) {
    Probe* p = new Probe(id, area);
    (parent ? parent : workspace())->addControl(p, -1);
    return p;
  }
  int send(const std::string& type, float x, float y, int button = display::MOUSE_LEFT) {
    Event e;
    e.type = type;
    e.mousePos = e.mousePosWorld = Vector2f(x, y);
    e.button = button;
    return workspace()->handleEvent(e);
  }
  int key(const std::string& type, display::Key k, float x = 0, float y = 0) {
    Event e;
    e.type = type;
    e.key = k;
    e.mousePos = e.mousePosWorld = Vector2f(x, y);
    return workspace()->handleEvent(e);
  }
  static Vector2f centreOf(Control* c) { return c->getAreaWorld().getCenter(); }
};

// ------------------------------------------------------------ hit testing and focus

TEST_F(EventTest, TheTopmostChildUnderTheMouseGetsTheEventAndTheFocus) {
  Probe* low = probe("low", Area(0, 0, 100, 100));
  Probe* high = probe("high", Area(50, 50, 150, 150));
  Probe* hidden = probe("hidden", Area(0, 0, 200, 200));
  hidden->setVisible(false);
  EXPECT_EQ(workspace()->getFocus(), hidden);  // adding focuses

  send("mousedown", 75, 75);
  EXPECT_EQ(high->count("mousedown"), 1);
  EXPECT_EQ(low->count("mousedown"), 0);
  EXPECT_TRUE(hidden->seen.empty());
  EXPECT_EQ(workspace()->getFocus(), high);
  EXPECT_EQ(high->last.mousePos, Vector2f(75, 75));  // in its parent's space, the workspace's
  EXPECT_EQ(high->last.mousePosWorld, Vector2f(75, 75));

  // clicking the lower sibling where it shows raises it
  send("mousedown", 10, 10);
  EXPECT_EQ(low->count("mousedown"), 1);
  EXPECT_EQ(workspace()->getChild(workspace()->getChildCount() - 1), low);
  EXPECT_EQ(workspace()->getOrder(0), low);  // insertion order stays
  send("mousedown", 75, 75);
  EXPECT_EQ(low->count("mousedown"), 2);
  EXPECT_EQ(high->count("mousedown"), 1);

  // outside every child nothing is hit and the focus stays
  EXPECT_EQ(send("mousedown", 500, 500), 0);
  EXPECT_EQ(workspace()->getFocus(), low);
}

TEST_F(EventTest, KeysGoToTheFocusedControlWhereverTheMouseIs) {
  Probe* field = probe("field", Area(0, 0, 100, 20));
  Probe* other = probe("other", Area(0, 100, 100, 200));
  send("mousedown", 10, 10);
  ASSERT_EQ(workspace()->getFocus(), field);
  key("keydown", display::KEY_a, 50, 150);
  key("keychardown", display::KEY_a, 50, 150);
  key("keyup", display::KEY_a, 50, 150);
  EXPECT_EQ(field->count("keydown"), 1);
  EXPECT_EQ(field->count("keychardown"), 1);
  EXPECT_EQ(field->count("keyup"), 1);
  EXPECT_TRUE(other->seen.empty());

  // without a focus keys stay with the application, whatever is hovered
  workspace()->clearFocus();
  EXPECT_EQ(key("keydown", display::KEY_b, 50, 150), 0);
  EXPECT_TRUE(other->seen.empty());
}

// ------------------------------------------------------------ context menus

class ContextTest : public EventTest {
 protected:
  void SetUp() override {
    EventTest::SetUp();
    owner = probe("owner", Area(100, 100, 400, 400));
    owner->setCallback(&recorder);
    menu.setCaption("context");
    menu.addOption("on/off", "On or off");
    menu.addOption("delete", "Delete");
    spline.setCaption("spline");
    spline.addOption("remove", "Remove");
    Context* type = spline.addOption("type", "type");
    type->addOption("square", "Square");
    type->addOption("linear", "Linear");
  }
  void TearDown() override { workspace()->resetContext(); }

  void open(Context& m, float x, float y) {
    m.setPosition(Vector2f(x, y) - owner->getAreaWorld().mMin);
    owner->setContext(&m);
  }

  Probe* owner = nullptr;
  kindra_test::ActionLog recorder;
  Context menu;
  Context spline;
};

TEST_F(ContextTest, PickingAnOptionReportsItsPathAndCloses) {
  open(menu, 150, 150);
  const Vector2f at = centreOf(menu.getOption(0));
  send("mousemove", at.x, at.y);
  EXPECT_EQ(menu.mSelected, 0);
  send("mouseup", at.x, at.y);  // even the first release picks an option
  EXPECT_EQ(workspace()->getContext(), nullptr);
  ASSERT_EQ(recorder.contexts.size(), 1u);
  EXPECT_EQ(recorder.menus[0], &menu);
  EXPECT_EQ(recorder.contexts[0], "context.on/off");
  // the owner's handleEvent saw the selection as well
  ASSERT_EQ(owner->contextEvents.size(), 1u);
  EXPECT_EQ(owner->contextEvents[0], "context.on/off");
  EXPECT_EQ(menu.mSelected, -1);
}

TEST_F(ContextTest, DeletingTheOwnerOfAnOpenMenuClosesIt) {
  Context* owned = new Context;
  owned->addOption("x", "X");
  owner->setContext(owned);
  ASSERT_EQ(workspace()->getContext(), owned);
  delete owned;  // as its owner does when it goes
  EXPECT_EQ(workspace()->getContext(), nullptr);
  EXPECT_EQ(send("mousedown", 150, 150), 0);
  EXPECT_EQ(owner->count("mousedown"), 1);
}

// ------------------------------------------------------------ tree edits

TEST_F(EventTest, RemovingChildrenClearsEveryPointerToThem) {
  Probe* a = probe("a", Area(0, 0, 100, 100));
  Probe* b = probe("b", Area(0, 0, 50, 50), a);
  ASSERT_EQ(a->getFocus(), b);
  delete b;  // on its own, not through its parent
  EXPECT_EQ(a->getFocus(), nullptr);
  EXPECT_EQ(a->getChildCount(), 0u);
  send("mousedown", 10, 10);
  EXPECT_EQ(a->count("mousedown"), 1);

  Probe* c = probe("c", Area(0, 0, 50, 50), a);
  Probe* d = probe("d", Area(0, 0, 50, 50));
  d->addControl(c, -1);  // moving a child takes it from its old parent
  EXPECT_EQ(a->getChildCount(), 0u);
  EXPECT_EQ(c->getParent(), d);
  workspace()->deleteControls();
  EXPECT_EQ(workspace()->getChildCount(), 0u);
  EXPECT_EQ(workspace()->getFocus(), nullptr);
}

}  // namespace
