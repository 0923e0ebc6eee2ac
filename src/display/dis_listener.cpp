#include "dis_listener.h"

#include "dis_display.h"

namespace zelkor {
namespace display {

Listener::Listener() : display(nullptr) {}

Listener::Listener(DisplayGL* pDisplay) : display(nullptr) { attachToDisplay(pDisplay); }

Listener::~Listener() { attachToDisplay(nullptr); }

int Listener::onMouseUp(const MouseButtonEvent&) { return WHATEVER; }
int Listener::onMouseDown(const MouseButtonEvent&) { return WHATEVER; }
int Listener::onMouseMove(const MouseMoveEvent&) { return WHATEVER; }
int Listener::onMouseWheel(const MouseMoveEvent&) { return WHATEVER; }
int Listener::onKeyDown(const KeyEvent&) { return WHATEVER; }
int Listener::onKeyUp(const KeyEvent&) { return WHATEVER; }
int Listener::onCharDown(const CharEvent&) { return WHATEVER; }
int Listener::onCharUp(const CharEvent&) { return WHATEVER; }
int Listener::onQuit() { return WHATEVER; }
void Listener::onResize(int, int) {}
void Listener::onMove() {}
void Listener::onDraw() {}
void Listener::onIconify(bool) {}
void Listener::onChangeFocus(bool) {}

void Listener::attachToDisplay(DisplayGL* pDisplay) {
  if (display) display->removeListener(this);
  display = pDisplay;
  if (display) display->addListener(this);
}

}  // namespace display
}  // namespace zelkor
