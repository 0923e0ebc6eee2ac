// The real executable under the test's display: started as the demo command
// starts it, stopped with real keys sent through the X server.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;

std::string commandOutput(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[256];
  while (fgets(buffer, sizeof(buffer), pipe)) out += buffer;
  pclose(pipe);
  return out;
}

class DemoProcess {
 public:
  // Starts the demo in `workDir` with its output going to `logFile`.
  DemoProcess(const std::string& binary, const std::string& workDir, const std::string& logFile) {
    mPid = fork();
    if (mPid == 0) {
      if (chdir(workDir.c_str()) != 0) _exit(126);
      const int fd = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0) _exit(126);
      dup2(fd, STDOUT_FILENO);
      dup2(fd, STDERR_FILENO);
      close(fd);
      execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~DemoProcess() {
    if (mPid > 0 && !mDone) {
      kill(mPid, SIGKILL);
      waitpid(mPid, nullptr, 0);
    }
  }

  // Waits for the exit; false on timeout.
  bool wait(double seconds, int* status) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      const pid_t done = waitpid(mPid, status, WNOHANG);
      if (done == mPid) {
        mDone = true;
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  bool started() const { return mPid > 0; }
  pid_t pid() const { return mPid; }

 private:
  pid_t mPid = -1;
  bool mDone = false;
};

class DemoTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under scripts/xvfb.sh)";
    binary = kindra_test::binaryDir() + "/demo/kindra";
    ASSERT_TRUE(fs::exists(binary)) << binary;
    // the demo runs in a copy of data/, so that what it writes stays out of the tree
    const fs::path data = fs::path(kindra_test::sourceDir()) / "data";
    if (fs::exists(data)) fs::copy(data, work.path(), fs::copy_options::recursive);
    logFile = work.file("demo.log");
  }

  // The id of the demo's own window (not of another one with its title), or
  // "" when it has none.
  static std::string findWindow(pid_t pid) {
    const std::string out =
        commandOutput("xdotool search --all --pid " + std::to_string(pid) + " --name '^Kindra$' 2>/dev/null");
    const size_t end = out.find('\n');
    return end == std::string::npos ? std::string() : out.substr(0, end);
  }

  // Waits until the demo shows its window. A busy X server may turn a
  // connection away for a moment, so ask again until the deadline.
  static std::string waitForWindow(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      const std::string window = findWindow(pid);
      if (!window.empty()) return window;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::string();
  }

  // Plays the demo, taps `keys` (the last one quits) and expects a clean
  // exit; returns the output.
  std::string playAndPress(const std::string& keys) {
    DemoProcess demo(binary, work.path(), logFile);
    EXPECT_TRUE(demo.started());
    const std::string window = waitForWindow(demo.pid());
    EXPECT_FALSE(window.empty()) << "no window; output:\n" << kindra_test::readFile(logFile);
    if (window.empty()) return std::string();
    // xdotool fails when the server turns it away, but also when the demo
    // closed its window before the quit key's release went out: the keys go
    // again only while the demo still runs with its window.
    int status = 0;
    bool exited = false;
    for (int attempt = 0; attempt < 10; ++attempt) {
      if (std::system(("xdotool key --window " + window + " " + keys + " 2>/dev/null").c_str()) == 0) break;
      exited = demo.wait(0.5, &status);
      if (exited || findWindow(demo.pid()) != window) break;
    }
    if (!exited) exited = demo.wait(20.0, &status);
    const std::string out = kindra_test::readFile(logFile);
    EXPECT_TRUE(exited) << "still running; output:\n" << out;
    if (exited) {
      EXPECT_TRUE(WIFEXITED(status)) << "status " << status << "; output:\n" << out;
      EXPECT_EQ(WEXITSTATUS(status), 0) << out;
    }
    return out;
  }

  kindra_test::ScratchDir work{"kindra-e2e"};
  std::string binary;
  std::string logFile;
};

TEST_F(DemoTest, EscapeEndsTheDemoWithStatusZero) {
  const std::string out = playAndPress("Escape");
  EXPECT_NE(out.find("[info][display::DisplayGLFW::open], Opened window of resolution 800x600 (glfw version: 3."),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("\n---\n"), std::string::npos) << out;
  EXPECT_NE(out.find("[info][display::DisplayGLFW::close], closing display (dis_display_glfw.cpp:"), std::string::npos)
      << out;
  EXPECT_LT(out.find("Opened window"), out.find("\n---\n"));
  EXPECT_LT(out.find("\n---\n"), out.find("closing display"));
}

TEST_F(DemoTest, PPrintsTheTimeAndQQuits) {
  const std::string out = playAndPress("p q");
  const size_t printed = out.find("[log][kindra::Kindra::onKeyDown], ");
  ASSERT_NE(printed, std::string::npos) << out;
  const double time = std::atof(out.c_str() + printed + std::string("[log][kindra::Kindra::onKeyDown], ").size());
  EXPECT_GE(time, 0.0);
  EXPECT_LT(time, 30.0);
  EXPECT_NE(out.find("closing display"), std::string::npos) << out;
}

}  // namespace
