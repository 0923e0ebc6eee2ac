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

class Recorder : public Callback {
 public:
  void controlAction(Control* control, Action action) override { actions.push_back({control, action}); }
  void contextAction(Context* context, std::string action) override { contexts.push_back({context, action}); }
  std::vector<std::pair<Control*, Action>> actions;
  std::vector<std::pair<Context*, std::string>> contexts;
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
  void click(float x, float y, int button = display::MOUSE_LEFT) {
    send("mousedown", x, y, button);
    send("mouseup", x, y, button);
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

TEST_F(EventTest, PositionsAreMadeLocalOnTheWayDown) {
  Probe* outer = probe("outer", Area(100, 100, 300, 300));
  Probe* inner = probe("inner", Area(10, 20, 60, 70), outer);
  send("mousedown", 115, 125);
  EXPECT_EQ(outer->last.mousePos, Vector2f(115, 125));  // the workspace sits at the origin
  EXPECT_EQ(inner->last.mousePos, Vector2f(15, 25));
  EXPECT_EQ(inner->getAreaWorld(), Area(110, 120, 160, 170));
  // the focus chain runs from the root to the clicked control
  EXPECT_EQ(workspace()->getFocus(), outer);
  EXPECT_EQ(outer->getFocus(), inner);

  // a child reaching outside its parent is not hit there...
  Probe* wide = probe("wide", Area(150, 0, 400, 50), outer);
  send("mousedown", 350, 120);
  EXPECT_EQ(wide->count("mousedown"), 0);
  // ...unless it accepts events (an open drop-down list, say): then its
  // parents accept them for it
  wide->acceptAll = true;
  send("mousedown", 350, 120);
  EXPECT_EQ(wide->count("mousedown"), 1);
  EXPECT_EQ(wide->last.mousePos, Vector2f(250, 20));
  EXPECT_EQ(outer->getFocus(), wide);
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

TEST_F(EventTest, MouseMovesResetTheHoverOfEverythingElse) {
  Probe* a = probe("a", Area(0, 0, 100, 100));
  Probe* b = probe("b", Area(200, 0, 300, 100));
  Probe* inB = probe("inB", Area(10, 10, 50, 50), b);
  send("mousemove", 50, 50);
  EXPECT_TRUE(a->getMouseOver());
  EXPECT_FALSE(b->getMouseOver());
  send("mousemove", 220, 20);
  EXPECT_FALSE(a->getMouseOver());
  EXPECT_TRUE(b->getMouseOver());
  EXPECT_TRUE(inB->getMouseOver());
  EXPECT_GE(a->count("reset"), 1);
  send("mousemove", 280, 80);
  EXPECT_TRUE(b->getMouseOver());
  EXPECT_FALSE(inB->getMouseOver());
  send("mousemove", 500, 500);
  EXPECT_FALSE(a->getMouseOver() || b->getMouseOver() || inB->getMouseOver());
  EXPECT_TRUE(workspace()->getMouseOver());
}

TEST_F(EventTest, TheListenerBlocksWhatAControlUsedAndMarksTheDisplayDirty) {
  Probe* p = probe("p", Area(0, 0, 100, 100));
  display::MouseButtonEvent down;
  down.mousePos = Vector2f(10, 10);
  down.doubleClick = true;
  EXPECT_EQ(tessel->onMouseDown(down), display::Listener::WHATEVER);
  EXPECT_TRUE(display.dirty);
  EXPECT_TRUE(p->last.doubleClick);
  EXPECT_EQ(p->last.type, "mousedown");
  p->consume = true;
  EXPECT_EQ(tessel->onMouseUp(down), display::Listener::BLOCK);
  display::KeyEvent k;
  k.key = display::KEY_SPACE;
  EXPECT_EQ(tessel->onKeyDown(k), display::Listener::BLOCK);
  EXPECT_EQ(p->last.key, display::KEY_SPACE);
  display::CharEvent c;
  c.key = 'x';
  tessel->onCharDown(c);
  EXPECT_EQ(p->last.type, "keychardown");
  EXPECT_EQ(p->last.keyChar, 'x');
  tessel->onCharUp(c);
  EXPECT_EQ(p->last.type, "keycharup");
  tessel->onKeyUp(k);
  EXPECT_EQ(p->last.type, "keyup");
  display::MouseMoveEvent wheel;
  wheel.mousePos = Vector2f(5, 5);
  wheel.mouseDeltaWheel = 2.0f;
  tessel->onMouseWheel(wheel);
  EXPECT_EQ(p->last.type, "mousewheel");
  EXPECT_FLOAT_EQ(p->last.mouseDeltaWheel, 2.0f);

  // a hidden workspace takes nothing
  p->seen.clear();
  workspace()->setVisible(false);
  EXPECT_EQ(tessel->onMouseDown(down), display::Listener::WHATEVER);
  EXPECT_TRUE(p->seen.empty());
}

TEST_F(EventTest, MouseMovesWithinOnePixelAreDroppedAndPanningShiftsTheWorld) {
  Probe* p = probe("p", Area(0, 0, 1000, 1000));
  display::MouseMoveEvent move;
  move.mousePos = Vector2f(10.2f, 10.7f);
  tessel->onMouseMove(move);
  move.mousePos = Vector2f(10.9f, 10.1f);
  tessel->onMouseMove(move);
  EXPECT_EQ(p->count("mousemove"), 1);
  move.mousePos = Vector2f(11.0f, 10.1f);
  tessel->onMouseMove(move);
  EXPECT_EQ(p->count("mousemove"), 2);

  tessel->setPanOn(true);
  move.mousePos = Vector2f(20, 20);
  move.mouseDelta = Vector2f(-9, -10);
  tessel->onMouseMove(move);
  EXPECT_EQ(tessel->getPan(), Vector2f(-9, -10));
  EXPECT_EQ(p->last.mousePosWorld, Vector2f(11, 10));
  EXPECT_EQ(p->last.mouseDelta, Vector2f(-9, -10));
}

// ------------------------------------------------------------ actions

TEST_F(EventTest, ActionsBubbleToTheNearestAncestorWithCallbacks) {
  Probe* outer = probe("outer", Area(0, 0, 300, 300));
  Probe* middle = probe("middle", Area(0, 0, 200, 200), outer);
  Probe* button = probe("button", Area(0, 0, 100, 100), middle);
  button->action = ACTION_BUTTON_PRESSED;
  Recorder top, near;
  outer->setCallback(&top);
  send("mousedown", 10, 10);
  ASSERT_EQ(top.actions.size(), 1u);
  EXPECT_EQ(top.actions[0].first, button);
  EXPECT_EQ(top.actions[0].second, ACTION_BUTTON_PRESSED);

  middle->setCallback(&near);
  middle->setCallback(&near);  // once
  button->action = ACTION_SLIDER_CHANGED;
  send("mousedown", 10, 10);
  ASSERT_EQ(near.actions.size(), 1u);
  EXPECT_EQ(near.actions[0].second, ACTION_SLIDER_CHANGED);
  EXPECT_EQ(top.actions.size(), 1u);  // stopped at the nearest

  // context reports go to the control's own callbacks only
  button->sendContextAction(nullptr, "x");
  EXPECT_TRUE(near.contexts.empty());
  middle->sendContextAction(nullptr, "y");
  ASSERT_EQ(near.contexts.size(), 1u);
  EXPECT_EQ(near.contexts[0].second, "y");

  middle->clearCallbacks();
  button->sendAction(ACTION_WINDOW_RESIZE);
  ASSERT_EQ(top.actions.size(), 2u);
  EXPECT_EQ(top.actions[1].second, ACTION_WINDOW_RESIZE);
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
  Recorder recorder;
  Context menu;
  Context spline;
};

TEST_F(ContextTest, OpeningRegistersTheMenuWithTheWorkspace) {
  open(menu, 150, 150);
  EXPECT_EQ(workspace()->getContext(), &menu);
  EXPECT_TRUE(workspace()->getContextFirst());
  EXPECT_EQ(menu.getParent(), owner);
  EXPECT_EQ(menu.getAreaWorld().mMin, Vector2f(150, 150));
  // sized to its rows
  const Area row0 = menu.getOption(0)->getAreaWorld();
  const Area row1 = menu.getOption(1)->getAreaWorld();
  EXPECT_GT(row0.getHeight(), 0.0f);
  EXPECT_FLOAT_EQ(row1.mMin.y, row0.mMax.y);
  EXPECT_GE(menu.getArea().getHeight(), 2 * row0.getHeight());
  EXPECT_TRUE(menu.getArea().isInside(Vector2f(menu.getArea().mMin.x + 1, menu.getArea().mMin.y + 1)));
}

TEST_F(ContextTest, TheFirstReleaseKeepsTheMenuTheSecondClosesIt) {
  open(menu, 150, 150);
  owner->seen.clear();
  send("mouseup", 500, 500);
  EXPECT_EQ(workspace()->getContext(), &menu);
  EXPECT_FALSE(workspace()->getContextFirst());
  // while it is open the menu is modal: the owner sees nothing
  EXPECT_EQ(send("mousedown", 200, 300), 1);
  EXPECT_TRUE(owner->seen.empty());
  send("mouseup", 200, 300, display::MOUSE_RIGHT);  // only the left button closes
  EXPECT_EQ(workspace()->getContext(), &menu);
  send("mouseup", 200, 300);
  EXPECT_EQ(workspace()->getContext(), nullptr);
  EXPECT_TRUE(recorder.contexts.empty());
  send("mousedown", 200, 300);
  EXPECT_EQ(owner->count("mousedown"), 1);
}

TEST_F(ContextTest, PickingAnOptionReportsItsPathAndCloses) {
  open(menu, 150, 150);
  const Vector2f at = centreOf(menu.getOption(0));
  send("mousemove", at.x, at.y);
  EXPECT_EQ(menu.mSelected, 0);
  send("mouseup", at.x, at.y);  // even the first release picks an option
  EXPECT_EQ(workspace()->getContext(), nullptr);
  ASSERT_EQ(recorder.contexts.size(), 1u);
  EXPECT_EQ(recorder.contexts[0].first, &menu);
  EXPECT_EQ(recorder.contexts[0].second, "context.on/off");
  // the owner's handleEvent saw the selection as well
  ASSERT_EQ(owner->contextEvents.size(), 1u);
  EXPECT_EQ(owner->contextEvents[0], "context.on/off");
  EXPECT_EQ(menu.mSelected, -1);
}

TEST_F(ContextTest, SubMenusUnfoldOnHoverAndPrefixEveryLevel) {
  open(spline, 150, 150);
  Context* type = spline.getOption(1);
  Vector2f at = centreOf(type);
  send("mousemove", at.x, at.y);
  EXPECT_TRUE(type->getExpanded());
  Context* square = type->getOption(0);
  // beside the menu, level with its row
  EXPECT_GT(square->getAreaWorld().mMin.x, spline.getAreaWorld().mMax.x - 1);
  EXPECT_NEAR(square->getAreaWorld().mMin.y, type->getAreaWorld().mMin.y, 0.01);
  at = centreOf(square);
  send("mousemove", at.x, at.y);
  EXPECT_EQ(type->mSelected, 0);
  EXPECT_TRUE(type->getExpanded());
  // releasing on an option with a sub-menu picks nothing
  const Vector2f onType = centreOf(type);
  send("mouseup", onType.x, onType.y);
  EXPECT_TRUE(recorder.contexts.empty());
  send("mouseup", at.x, at.y);
  ASSERT_EQ(recorder.contexts.size(), 1u);
  EXPECT_EQ(recorder.contexts[0].second, "spline.type.square");
  EXPECT_EQ(workspace()->getContext(), nullptr);

  // moving to another row folds the sub-menu
  open(spline, 150, 150);
  at = centreOf(type);
  send("mousemove", at.x, at.y);
  at = centreOf(spline.getOption(0));
  send("mousemove", at.x, at.y);
  EXPECT_FALSE(type->getExpanded());
}

TEST_F(ContextTest, AMenuBarsMenuLetsEventsThrough) {
  Probe* bar = probe("bar", Area(0, 0, 800, 20));
  bar->mType = "menubar";
  Context barMenu;
  barMenu.addOption("open", "Open");
  barMenu.setPosition(Vector2f(0, 20));
  bar->setContext(&barMenu);
  ASSERT_EQ(workspace()->getContext(), &barMenu);
  send("mousemove", 300, 10);
  EXPECT_EQ(bar->count("mousemove"), 1);
  workspace()->resetContext();
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
