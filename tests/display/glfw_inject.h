#pragma once
// Feeds input to the display device through the window system's callbacks of
// the current window, exactly as the library does when it polls events.

#include <string>

namespace kindra_test {

// Window-system key tokens (GLFW_KEY_*); the scancode is the one the
// current keyboard map gives the key.
void keyPress(int glfwKey);
void keyRepeat(int glfwKey);
void keyRelease(int glfwKey);
void keyTap(int glfwKey);  // press and release
void charTyped(unsigned int codepoint);
void mouseMove(double x, double y);
void mouseButton(int button, bool press);
void wheel(double steps);
void windowResized(int width, int height);
void closeRequest();  // the window's close button

// Moves the window system's timer by `seconds` (and so the device's time).
void advanceTime(double seconds);

// Runs a command with the shell; true when it exits 0.
bool runCommand(const std::string& command);
// Whether xdotool can talk to the display.
bool haveXdotool();
// Sends real key events through the X server to the current window (xdotool
// key names, e.g. "q Left shift+a"); needs no input focus, so tests running
// side by side on one display do not take keys from each other.
bool sendRealKeys(const std::string& keys);

}  // namespace kindra_test
