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

// Each getter swaps the installed callback out and back to learn it.
GLFWkeyfun keyFun(GLFWwindow* w) {
  GLFWkeyfun f = glfwSetKeyCallback(w, nullptr);
  glfwSetKeyCallback(w, f);
  return f;
}

void sendKey(int glfwKey, int action) {
  GLFWwindow* w = window();
  if (!w) return;
  GLFWkeyfun f = keyFun(w);
  ASSERT_NE(f, nullptr);
  f(w, glfwKey, glfwKey == GLFW_KEY_UNKNOWN ? 0 : glfwGetKeyScancode(glfwKey), action, 0);
}

}  // namespace

void keyPress(int glfwKey) { sendKey(glfwKey, GLFW_PRESS); }
void keyRepeat(int glfwKey) { sendKey(glfwKey, GLFW_REPEAT); }
void keyRelease(int glfwKey) { sendKey(glfwKey, GLFW_RELEASE); }

void keyTap(int glfwKey) {
  keyPress(glfwKey);
  keyRelease(glfwKey);
}

void typeKey(int glfwKey, unsigned int codepoint) {
  keyPress(glfwKey);
  charTyped(codepoint);
  keyRelease(glfwKey);
}

void charTyped(unsigned int codepoint) {
  GLFWwindow* w = window();
  if (!w) return;
  GLFWcharfun f = glfwSetCharCallback(w, nullptr);
  glfwSetCharCallback(w, f);
  ASSERT_NE(f, nullptr);
  f(w, codepoint);
}

void mouseMove(double x, double y) {
  GLFWwindow* w = window();
  if (!w) return;
  GLFWcursorposfun f = glfwSetCursorPosCallback(w, nullptr);
  glfwSetCursorPosCallback(w, f);
  ASSERT_NE(f, nullptr);
  f(w, x, y);
}

void mouseButton(int button, bool press) {
  GLFWwindow* w = window();
  if (!w) return;
  GLFWmousebuttonfun f = glfwSetMouseButtonCallback(w, nullptr);
  glfwSetMouseButtonCallback(w, f);
  ASSERT_NE(f, nullptr);
  f(w, button, press ? GLFW_PRESS : GLFW_RELEASE, 0);
}

void wheel(double steps) {
  GLFWwindow* w = window();
  if (!w) return;
  GLFWscrollfun f = glfwSetScrollCallback(w, nullptr);
  glfwSetScrollCallback(w, f);
  ASSERT_NE(f, nullptr);
  f(w, 0.0, steps);
}

void windowResized(int width, int height) {
  GLFWwindow* w = window();
  if (!w) return;
  GLFWwindowsizefun f = glfwSetWindowSizeCallback(w, nullptr);
  glfwSetWindowSizeCallback(w, f);
  ASSERT_NE(f, nullptr);
  f(w, width, height);
}

void closeRequest() {
  GLFWwindow* w = window();
  if (!w) return;
  GLFWwindowclosefun f = glfwSetWindowCloseCallback(w, nullptr);
  glfwSetWindowCloseCallback(w, f);
  ASSERT_NE(f, nullptr);
  glfwSetWindowShouldClose(w, GLFW_TRUE);  // as the library does before the callback
  f(w);
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
