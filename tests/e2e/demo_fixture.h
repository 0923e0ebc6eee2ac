#pragma once
// The demo executable as a separate process in a scratch copy of data/: its
// output in a log file, its window found through the X server, keys sent to it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "test_support.h"

namespace kindra_e2e {

namespace fs = std::filesystem;

// Asks `ready` every 20 ms until it says yes or `seconds` have passed.
inline bool waitUntil(const std::function<bool()>& ready, double seconds = 20.0) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!ready()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

inline std::string commandOutput(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, got);
  pclose(pipe);
  return out;
}

// The window's pixels as the X server shows them, RGB rows, top first; ""
// when the grab failed. With `keepAs` also kept as tests/artifacts/<keepAs>.png
// for people to look at.
inline std::string grabWindow(const std::string& window, int width, int height, const std::string& keepAs = "") {
  const std::string geometry = commandOutput("xdotool getwindowgeometry --shell " + window + " 2>/dev/null");
  const size_t x = geometry.find("X="), y = geometry.find("Y=");
  if (x == std::string::npos || y == std::string::npos) return std::string();
  const std::string grab = "ffmpeg -loglevel error -y -f x11grab -draw_mouse 0 -video_size " + std::to_string(width) +
                           "x" + std::to_string(height) + " -i \"$DISPLAY+" +
                           std::to_string(std::atoi(geometry.c_str() + x + 2)) + "," +
                           std::to_string(std::atoi(geometry.c_str() + y + 2)) + "\" -frames:v 1 ";
  if (!keepAs.empty()) {
    const fs::path artifacts = fs::path(kindra_test::sourceDir()) / "tests" / "artifacts";
    fs::create_directories(artifacts);
    if (std::system((grab + "'" + (artifacts / (keepAs + ".png")).string() + "'").c_str()) != 0) return std::string();
  }
  const std::string pixels = commandOutput(grab + "-f rawvideo -pix_fmt rgb24 - 2>/dev/null");
  return pixels.size() == static_cast<size_t>(width) * height * 3 ? pixels : std::string();
}

// How the demo is started besides its directory.
struct DemoOptions {
  std::vector<std::pair<std::string, std::string>> env;
  // File permissions hold for the demo also when the tests run as root: it
  // starts without the capabilities that override them.
  bool obeyPermissions = false;
};

// In a child about to exec: gives up what lets root write past permissions.
inline bool dropPermissionOverrides() {
  if (geteuid() != 0) return true;
  for (int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
    if (prctl(PR_CAPBSET_DROP, capability, 0, 0, 0) != 0) return false;
  }
  return true;
}

class DemoProcess {
 public:
  // Starts the demo in `workDir` with its output going to `logFile`.
  DemoProcess(const std::string& binary, const std::string& workDir, const std::string& logFile,
              const DemoOptions& options = DemoOptions()) {
    mPid = fork();
    if (mPid == 0) {
      if (chdir(workDir.c_str()) != 0) _exit(126);
      const int fd = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0) _exit(126);
      dup2(fd, STDOUT_FILENO);
      dup2(fd, STDERR_FILENO);
      close(fd);
      for (const auto& entry : options.env) setenv(entry.first.c_str(), entry.second.c_str(), 1);
      if (options.obeyPermissions && !dropPermissionOverrides()) _exit(126);
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
    const bool done = waitUntil([&] { return waitpid(mPid, status, WNOHANG) == mPid; }, seconds);
    mDone = mDone || done;
    return done;
  }

  bool started() const { return mPid > 0; }
  pid_t pid() const { return mPid; }

 private:
  pid_t mPid = -1;
  bool mDone = false;
};

class DemoTest : public testing::Test {
 protected:
  // The program to start, below the build directory.
  virtual std::string executable() const { return "/demo/kindra"; }

  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under scripts/xvfb.sh)";
    binary = kindra_test::binaryDir() + executable();
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
    std::string window;
    waitUntil([&] { return !(window = findWindow(pid)).empty(); });
    return window;
  }

  // The window of `demo` once it plays (the loading screen is over); "" and
  // a failure naming the demo's output when it never does.
  std::string playingWindow(const DemoProcess& demo) const {
    const std::string window = demo.started() ? waitForWindow(demo.pid()) : std::string();
    if (!window.empty() && waitUntil([&] { return kindra_test::readFile(logFile).find("\n---\n") != std::string::npos; })) {
      return window;
    }
    ADD_FAILURE() << "the demo does not play; output:\n" << kindra_test::readFile(logFile);
    return std::string();
  }

  // Sends an xdotool command (%W: the window) until the server takes it.
  static bool xdotool(const std::string& window, const std::string& command) {
    for (int attempt = 0; attempt < 10; ++attempt) {
      std::string line = "xdotool " + command;
      for (size_t at = line.find("%W"); at != std::string::npos; at = line.find("%W")) line.replace(at, 2, window);
      if (std::system((line + " 2>/dev/null").c_str()) == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  // Taps `keys` (the last one quits) and waits for the exit; true when the
  // demo ended, its status in `status`. xdotool fails when the server turns
  // it away, but also when the demo closed its window before the quit key's
  // release went out: the keys go again only while the window is there.
  static bool pressAndWait(DemoProcess& demo, const std::string& window, const std::string& keys, int* status,
                           double seconds = 20.0) {
    bool exited = false;
    for (int attempt = 0; attempt < 10 && !window.empty(); ++attempt) {
      if (std::system(("xdotool key --window " + window + " " + keys + " 2>/dev/null").c_str()) == 0) break;
      if ((exited = demo.wait(0.5, status)) || findWindow(demo.pid()) != window) break;
    }
    return exited || demo.wait(seconds, status);
  }

  // A small window without the on-screen display, the song from `start`
  // seconds, muted unless `sound`.
  void writeSetup(double start, int width, int height, bool sound = false) const {
    char text[512];
    std::snprintf(text, sizeof(text),
                  "<demo>\n\t<time start=\"%.2f\" mode=\"vsync\" length=\"180\" loop=\"off\"/>\n"
                  "\t<display width=\"%d\" height=\"%d\" fullscreen=\"off\" title=\"Kindra\"/>\n"
                  "\t<osd show=\"off\" location=\"top\" delay=\"2\"/>\n"
                  "\t<music mute=\"%s\" filename=\"music/emberfall.ogg\"/>\n\t<log console=\"off\"/>\n</demo>\n",
                  start, width, height, sound ? "off" : "on");
    writeWork("setup.xml", text);
  }

  // Plays the demo, taps `keys` (the last one quits) and expects a clean
  // exit with `exitStatus`; returns the output.
  std::string playAndPress(const std::string& keys, const DemoOptions& options = DemoOptions(), int exitStatus = 0) {
    DemoProcess demo(binary, work.path(), logFile, options);
    // keys during the loading screen only quit
    const std::string window = playingWindow(demo);
    if (window.empty()) return std::string();
    int status = 0;
    const bool exited = pressAndWait(demo, window, keys, &status);
    const std::string out = kindra_test::readFile(logFile);
    EXPECT_TRUE(exited) << "still running; output:\n" << out;
    if (exited) {
      EXPECT_TRUE(WIFEXITED(status)) << "status " << status << "; output:\n" << out;
      EXPECT_EQ(WEXITSTATUS(status), exitStatus) << out;
    }
    return out;
  }

  // Runs the demo to its own end (no keys) and expects a clean exit with
  // `exitStatus`; returns the output.
  std::string runToEnd(int exitStatus, double seconds = 30.0) {
    DemoProcess demo(binary, work.path(), logFile);
    EXPECT_TRUE(demo.started());
    int status = -1;
    const bool exited = demo.wait(seconds, &status);
    const std::string out = kindra_test::readFile(logFile);
    EXPECT_TRUE(exited) << "still running; output:\n" << out;
    EXPECT_TRUE(exited && WIFEXITED(status) && WEXITSTATUS(status) == exitStatus)
        << "status " << status << ", not an exit with " << exitStatus << "; output:\n" << out;
    return out;
  }

  void expectNoTemporaryFiles() const {
    for (const auto& entry : fs::directory_iterator(work.path())) {
      EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << "left behind: " << entry.path();
    }
  }

  void writeWork(const std::string& name, const std::string& text) const {
    kindra_test::writeFile(work.file(name), text);
  }
  std::string readWork(const std::string& name) const { return kindra_test::readFile(work.file(name)); }

  kindra_test::ScratchDir work{"kindra-e2e"};
  std::string binary;
  std::string logFile;
};

}  // namespace kindra_e2e
