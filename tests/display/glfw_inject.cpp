#include "glfw_inject.h"

#include <gtest/gtest.h>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

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
void keyRelease(int glfwKey) { sendKey(glfwKey, GLFW_RELEASE); }

void keyTap(int glfwKey) {
  keyPress(glfwKey);
  keyRelease(glfwKey);
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

}  // namespace kindra_test
