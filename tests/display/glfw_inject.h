#pragma once
// Feeds input to the display device through the window system's callbacks of
// the current window, exactly as the library does when it polls events.

namespace kindra_test {

// Window-system key tokens (GLFW_KEY_*); the scancode is the one the
// current keyboard map gives the key.
void keyPress(int glfwKey);
void keyRelease(int glfwKey);
void keyTap(int glfwKey);  // press and release
void mouseMove(double x, double y);
void mouseButton(int button, bool press);
void wheel(double steps);
void windowResized(int width, int height);
void closeRequest();  // the window's close button

}  // namespace kindra_test
