#include "glfw_inject.h"

#include <gtest/gtest.h>

#include <cstdlib>

// after the test framework: the X11 headers define None and Bool
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3native.h>

namespace kindra_test {

namespace {

GLFWwindow* window() {
  GLFWwindow* current = glfwGetCurrentContext();
  EXPECT_NE(current, nullptr) << "no open display";
  return current;
}

// The callback a setter has installed: swapped out and back to learn it.
template <typename Fun>
Fun installed(GLFWwindow* w, Fun (*setter)(GLFWwindow*, Fun)) {
  Fun f = setter(w, nullptr);
  setter(w, f);
  EXPECT_NE(f, nullptr) << "the device installed no callback";
  return f;
}

void sendKey(int glfwKey, int action) {
  GLFWwindow* w = window();
  if (!w) return;
  if (GLFWkeyfun f = installed(w, glfwSetKeyCallback)) {
    f(w, glfwKey, glfwKey == GLFW_KEY_UNKNOWN ? 0 : glfwGetKeyScancode(glfwKey), action, 0);
  }
}

}  // namespace

void keyPress(int glfwKey) { sendKey(glfwKey, GLFW_PRESS); }
void keyRepeat(int glfwKey) { sendKey(glfwKey, GLFW_REPEAT); }
void keyRelease(int glfwKey) { sendKey(glfwKey, GLFW_RELEASE); }

void keyTap(int glfwKey) {
  keyPress(glfwKey);
  keyRelease(glfwKey);
}

void charTyped(unsigned int codepoint) {
  GLFWwindow* w = window();
  if (!w) return;
  if (GLFWcharfun f = installed(w, glfwSetCharCallback)) f(w, codepoint);
}

void mouseMove(double x, double y) {
  GLFWwindow* w = window();
  if (!w) return;
  if (GLFWcursorposfun f = installed(w, glfwSetCursorPosCallback)) f(w, x, y);
}

void mouseButton(int button, bool press) {
  GLFWwindow* w = window();
  if (!w) return;
  if (GLFWmousebuttonfun f = installed(w, glfwSetMouseButtonCallback)) f(w, button, press ? GLFW_PRESS : GLFW_RELEASE, 0);
}

void wheel(double steps) {
  GLFWwindow* w = window();
  if (!w) return;
  if (GLFWscrollfun f = installed(w, glfwSetScrollCallback)) f(w, 0.0, steps);
}

void windowResized(int width, int height) {
  GLFWwindow* w = window();
  if (!w) return;
  if (GLFWwindowsizefun f = installed(w, glfwSetWindowSizeCallback)) f(w, width, height);
}

void closeRequest() {
  GLFWwindow* w = window();
  if (!w) return;
  if (GLFWwindowclosefun f = installed(w, glfwSetWindowCloseCallback)) {
    glfwSetWindowShouldClose(w, GLFW_TRUE);  // as the library does before the callback
    f(w);
  }
}

void advanceTime(double seconds) { glfwSetTime(glfwGetTime() + seconds); }

bool runCommand(const std::string& command) { return std::system(command.c_str()) == 0; }

bool haveXdotool() { return std::getenv("DISPLAY") && runCommand("xdotool getmouselocation >/dev/null 2>&1"); }

bool sendRealKeys(const std::string& keys) {
  GLFWwindow* w = window();
  if (!w) return false;
  const unsigned long id = static_cast<unsigned long>(glfwGetX11Window(w));
  return runCommand("timeout 10 xdotool key --window " + std::to_string(id) + " " + keys);
}

}  // namespace kindra_test
