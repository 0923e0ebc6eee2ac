#pragma once
// Input codes, event records and the listener interface of the display.

#include "mb_vector2.h"

namespace zelkor {
namespace display {

class DisplayGL;

// Character keys carry their 7-bit codes (letters as upper case); the
// special keys follow KEY_SPECIAL.
enum Key {
  KEY_UNKNOWN = 0,
  KEY_BACKSPACE = 8,
  KEY_TAB = 9,
  KEY_CLEAR = 12,
  KEY_ENTER = 13,
  KEY_PAUSE = 19,
  KEY_ESCAPE = 27,
  KEY_SPACE = 32,
  KEY_EXCLAIM = 33,
  KEY_QUOTEDBL = 34,
  KEY_HASH = 35,
  KEY_DOLLAR = 36,
  KEY_AMPERSAND = 38,
  KEY_QUOTE = 39,
  KEY_LEFTPAREN = 40,
  KEY_RIGHTPAREN = 41,
  KEY_ASTERISK = 42,
  KEY_PLUS = 43,
  KEY_COMMA = 44,
  KEY_MINUS = 45,
  KEY_PERIOD = 46,
  KEY_SLASH = 47,
  KEY_0 = 48, KEY_1, KEY_2, KEY_3, KEY_4, KEY_5, KEY_6, KEY_7, KEY_8, KEY_9,
  KEY_COLON = 58,
  KEY_SEMICOLON = 59,
  KEY_LESS = 60,
  KEY_EQUALS = 61,
  KEY_GREATER = 62,
  KEY_QUESTION = 63,
  KEY_AT = 64,
  KEY_a = 65, KEY_b, KEY_c, KEY_d, KEY_e, KEY_f, KEY_g, KEY_h, KEY_i, KEY_j, KEY_k, KEY_l, KEY_m,
  KEY_n, KEY_o, KEY_p, KEY_q, KEY_r, KEY_s, KEY_t, KEY_u, KEY_v, KEY_w, KEY_x, KEY_y, KEY_z,
  KEY_LEFTBRACKET = 91,
  KEY_BACKSLASH = 92,
  KEY_RIGHTBRACKET = 93,
  KEY_CARET = 94,
  KEY_UNDERSCORE = 95,
  KEY_BACKQUOTE = 96,
  KEY_DELETE = 127,

  KEY_SPECIAL = 256,
  KEY_ESC = 257,
  KEY_F1 = 258, KEY_F2, KEY_F3, KEY_F4, KEY_F5, KEY_F6, KEY_F7, KEY_F8, KEY_F9, KEY_F10, KEY_F11, KEY_F12,
  KEY_F13, KEY_F14, KEY_F15, KEY_F16, KEY_F17, KEY_F18, KEY_F19, KEY_F20, KEY_F21, KEY_F22, KEY_F23, KEY_F24,
  KEY_F25,
  KEY_UP = 283,
  KEY_DOWN = 284,
  KEY_LEFT = 285,
  KEY_RIGHT = 286,
  KEY_LSHIFT = 287,
  KEY_RSHIFT = 288,
  KEY_LCTRL = 289,
  KEY_RCTRL = 290,
  KEY_LALT = 291,
  KEY_RALT = 292,
  KEY_INSERT = 293,
  KEY_DEL = 294,
  KEY_PAGEUP = 295,
  KEY_PAGEDOWN = 296,
  KEY_HOME = 297,
  KEY_END = 298,
  KEY_KP_0 = 299, KEY_KP_1, KEY_KP_2, KEY_KP_3, KEY_KP_4, KEY_KP_5, KEY_KP_6, KEY_KP_7, KEY_KP_8, KEY_KP_9,
  KEY_KP_DIVIDE = 309,
  KEY_KP_MULTIPLY = 310,
  KEY_KP_SUBTRACT = 311,
  KEY_KP_ADD = 312,
  KEY_KP_DECIMAL = 313,
  KEY_KP_EQUAL = 314,
  KEY_KP_ENTER = 315,
  KEY_LAST = 316,
};

// Bit set of held modifiers; the device never sets the lock bits.
enum KeyMod {
  KEYMOD_NONE = 0,
  KEYMOD_LSHIFT = 1,
  KEYMOD_RSHIFT = 2,
  KEYMOD_LCTRL = 64,
  KEYMOD_RCTRL = 128,
  KEYMOD_LALT = 256,
  KEYMOD_RALT = 512,
  KEYMOD_NUMLOCK = 4096,
  KEYMOD_CAPSLOCK = 8192,
};

// Window-system buttons beyond the third arrive with their own number (3, 4, ...).
enum MouseButton {
  MOUSE_LEFT = 0,
  MOUSE_RIGHT = 1,
  MOUSE_MIDDLE = 2,
};

struct Event {
  mathbase::Vector2f mousePos;      // pixels from the window's upper-left corner
  mathbase::Vector2f mousePosUnit;  // mousePos divided by the window size
  float mouseWheel = 0.0f;          // absolute wheel position
  int control = KEYMOD_NONE;        // KeyMod bits

  bool shift() const { return (control & (KEYMOD_LSHIFT | KEYMOD_RSHIFT)) != 0; }
  bool ctrl() const { return (control & (KEYMOD_LCTRL | KEYMOD_RCTRL)) != 0; }
  bool alt() const { return (control & (KEYMOD_LALT | KEYMOD_RALT)) != 0; }
};

struct KeyEvent : Event {
  Key key = KEY_UNKNOWN;
};

struct CharEvent : Event {
  int key = 0;  // character code as the window system reports it
};

struct MouseButtonEvent : Event {
  MouseButton button = MOUSE_LEFT;
  bool doubleClick = false;
};

struct MouseMoveEvent : Event {
  mathbase::Vector2f mouseDelta;  // previous minus current position
  float mouseDeltaWheel = 0.0f;
};

// Base of everything that wants input or drawing from a display. Input
// handlers return Action bits.
class Listener {
 public:
  enum Action {
    WHATEVER = 0,
    BLOCK = 1,  // consumed: no later listener sees the event
    QUIT = 2,   // ask to end the program
    DIRTY = 4,  // the window must be redrawn (FPS_EVENT mode)
  };

  Listener();
  explicit Listener(DisplayGL* pDisplay);
  // Unregisters from the device, so a destroyed listener is never called.
  virtual ~Listener();
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  virtual int onMouseUp(const MouseButtonEvent& event);
  virtual int onMouseDown(const MouseButtonEvent& event);
  virtual int onMouseMove(const MouseMoveEvent& event);
  virtual int onMouseWheel(const MouseMoveEvent& event);
  virtual int onKeyDown(const KeyEvent& event);
  virtual int onKeyUp(const KeyEvent& event);
  virtual int onCharDown(const CharEvent& event);
  virtual int onCharUp(const CharEvent& event);
  virtual int onQuit();
  virtual void onResize(int oldWidth, int oldHeight);
  virtual void onMove();
  virtual void onDraw();
  virtual void onIconify(bool iconified);
  virtual void onChangeFocus(bool focused);

  // Leaves the current device (if any) and registers with the new one.
  void attachToDisplay(DisplayGL* pDisplay);

  DisplayGL* display;
};

}  // namespace display
}  // namespace zelkor
