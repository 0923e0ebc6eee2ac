// The real executable under the test's display: started as the demo command
// starts it, stopped with real keys sent through the X server.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "test_support.h"
#include "tone.h"

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

// How the demo is started besides its directory.
struct DemoOptions {
  std::vector<std::pair<std::string, std::string>> env;
  // Files the demo writes stop at this many bytes (a full disk); its output
  // then goes through a pipe, which has no such limit.
  long fileSizeLimit = -1;
};

class DemoProcess {
 public:
  // Starts the demo in `workDir` with its output going to `logFile`.
  DemoProcess(const std::string& binary, const std::string& workDir, const std::string& logFile,
              const DemoOptions& options = DemoOptions()) {
    int pipeFds[2] = {-1, -1};
    const bool piped = options.fileSizeLimit >= 0 && pipe(pipeFds) == 0;
    mPid = fork();
    if (mPid == 0) {
      if (chdir(workDir.c_str()) != 0) _exit(126);
      const int fd = piped ? pipeFds[1] : open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0) _exit(126);
      dup2(fd, STDOUT_FILENO);
      dup2(fd, STDERR_FILENO);
      close(fd);
      if (piped) close(pipeFds[0]);
      for (const auto& entry : options.env) setenv(entry.first.c_str(), entry.second.c_str(), 1);
      if (options.fileSizeLimit >= 0) {
        signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of killing
        struct rlimit limit;
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = static_cast<rlim_t>(options.fileSizeLimit);
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
      }
      execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    if (piped) {
      close(pipeFds[1]);
      const int readFd = pipeFds[0];
      mReader = std::thread([readFd, logFile] {
        FILE* out = std::fopen(logFile.c_str(), "wb");
        char buffer[4096];
        ssize_t got;
        while ((got = read(readFd, buffer, sizeof(buffer))) > 0) {
          if (out) {
            std::fwrite(buffer, 1, static_cast<size_t>(got), out);
            std::fflush(out);
          }
        }
        if (out) std::fclose(out);
        close(readFd);
      });
    }
  }
  ~DemoProcess() {
    if (mPid > 0 && !mDone) {
      kill(mPid, SIGKILL);
      waitpid(mPid, nullptr, 0);
    }
    if (mReader.joinable()) mReader.join();
  }

  // Waits for the exit; false on timeout.
  bool wait(double seconds, int* status) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      const pid_t done = waitpid(mPid, status, WNOHANG);
      if (done == mPid) {
        mDone = true;
        if (mReader.joinable()) mReader.join();  // the whole output is in the log
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
  std::thread mReader;
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

  // Waits until the demo plays: the loading screen is over.
  bool waitForPlay() const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      if (kindra_test::readFile(logFile).find("\n---\n") != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  // Plays the demo, taps `keys` (the last one quits) and expects a clean
  // exit; returns the output.
  std::string playAndPress(const std::string& keys, const DemoOptions& options = DemoOptions()) {
    DemoProcess demo(binary, work.path(), logFile, options);
    EXPECT_TRUE(demo.started());
    const std::string window = waitForWindow(demo.pid());
    EXPECT_FALSE(window.empty()) << "no window; output:\n" << kindra_test::readFile(logFile);
    if (window.empty()) return std::string();
    // keys during the loading screen only quit
    EXPECT_TRUE(waitForPlay()) << kindra_test::readFile(logFile);
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

  // Runs the demo to its own end (no keys); returns the output.
  std::string runToEnd(int* status, double seconds = 30.0) {
    DemoProcess demo(binary, work.path(), logFile);
    EXPECT_TRUE(demo.started());
    const bool exited = demo.wait(seconds, status);
    const std::string out = kindra_test::readFile(logFile);
    EXPECT_TRUE(exited) << "still running; output:\n" << out;
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

// ------------------------------------------------------------ setup file

// The user's own settings, with things the engine does not know.
const char kLocalSetup[] =
    "<demo>\n"
    "\t<!-- mine -->\n"
    "\t<display width=\"640\" height=\"480\" fullscreen=\"off\" title=\"Kindra\"/>\n"
    "\t<music mute=\"off\" filename=\"music/tone.ogg\"/>\n"
    "\t<osd show=\"on\" location=\"top\" delay=\"1\"/>\n"
    "\t<extra note=\"kept\"/>\n"
    "</demo>\n";

TEST_F(DemoTest, TheLocalSetupIsWrittenBackAtExit) {
  writeWork("setup.local.xml", kLocalSetup);
  const std::string shared = readWork("setup.xml");
  const std::string out = playAndPress("ctrl+t o o m Escape");
  EXPECT_NE(out.find("Opened window of resolution 640x480"), std::string::npos) << "the local file is read:\n" << out;
  const std::string saved = readWork("setup.local.xml");
  static const std::regex expected(
      "<demo>\n"
      "\t<!-- mine -->\n"
      "\t<display width=\"640\" height=\"480\" fullscreen=\"off\" title=\"Kindra\"/>\n"
      "\t<music mute=\"on\" filename=\"music/tone.ogg\"/>\n"
      "\t<osd show=\"on\" location=\"bottom\" delay=\"1.00\"/>\n"
      "\t<extra note=\"kept\"/>\n"
      "\t<time start=\"[0-9]+\\.[0-9]{2}\" length=\"60\" loop=\"off\"/>\n"
      "</demo>\n");
  EXPECT_TRUE(std::regex_match(saved, expected)) << saved;
  EXPECT_EQ(readWork("setup.xml"), shared) << "the shared file is never written";
  expectNoTemporaryFiles();
}

TEST_F(DemoTest, AFullDiskKeepsThePreviousSetupWhole) {
  writeWork("setup.local.xml", kLocalSetup);
  DemoOptions options;
  options.fileSizeLimit = 200;  // below the size of the new file
  const std::string out = playAndPress("ctrl+t Escape", options);
  EXPECT_EQ(readWork("setup.local.xml"), kLocalSetup);
  EXPECT_NE(out.find("Could not write 'setup.local.xml'; the previous one is kept"), std::string::npos) << out;
  expectNoTemporaryFiles();
}

TEST_F(DemoTest, WithoutASoundDeviceTheDemoPlaysSilently) {
  DemoOptions options;
  options.env.push_back({"SDL_AUDIODRIVER", "no-such-driver"});
  const std::string out = playAndPress("Escape", options);
  EXPECT_NE(out.find("[error][kindra::Music::setup], No sound device!"), std::string::npos) << out;
}

TEST_F(DemoTest, TheEndOfTheSongEndsTheDemoWithStatusZero) {
  const std::vector<short> song = kindra_tools::makeTone(1.5, 22050, 1);
  writeWork("music/short.wav", kindra_tools::encodeWav(song, 22050, 1));
  writeWork("setup.local.xml",
            "<demo>\n\t<display width=\"320\" height=\"240\" title=\"Kindra\"/>\n"
            "\t<music filename=\"music/short.wav\" mute=\"off\"/>\n</demo>\n");
  int status = -1;
  const std::string out = runToEnd(&status);
  EXPECT_TRUE(WIFEXITED(status)) << out;
  EXPECT_EQ(WEXITSTATUS(status), 0) << out;
  EXPECT_NE(out.find("closing display"), std::string::npos) << out;
  EXPECT_EQ(readWork("setup.local.xml"),
            "<demo>\n\t<display width=\"320\" height=\"240\" title=\"Kindra\" fullscreen=\"off\"/>\n"
            "\t<music filename=\"music/short.wav\" mute=\"off\"/>\n"
            "\t<time start=\"0.00\" length=\"1.5\" loop=\"off\"/>\n</demo>\n")
      << "the settings are saved as at the quit key";
}

TEST_F(DemoTest, ABrokenSetupEndsStartUpWithAClearError) {
  writeWork("setup.local.xml", "<demo>\n\t<display width=\"320\"\n");
  int status = -1;
  std::string out = runToEnd(&status);
  EXPECT_TRUE(WIFEXITED(status)) << "no crash: " << status << "\n" << out;
  EXPECT_EQ(WEXITSTATUS(status), 1) << out;
  EXPECT_NE(out.find("setup.local.xml: (error at line "), std::string::npos) << out;
  EXPECT_EQ(out.find("Opened window"), std::string::npos) << out;

  fs::remove(work.file("setup.local.xml"));
  fs::remove(work.file("setup.xml"));
  out = runToEnd(&status);
  EXPECT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 1) << out;
  EXPECT_NE(out.find("[Kindra] Could not load 'setup.[local.]xml'"), std::string::npos) << out;
}

}  // namespace
