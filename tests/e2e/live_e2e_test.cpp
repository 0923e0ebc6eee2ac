// Live editing through the real executable: one of the demo's own shaders
// is edited while it plays, on an X server of the test's own whose screen
// can be read from a file.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "demo_fixture.h"

namespace {

using namespace kindra_e2e;

// Pixels of the screen (an XWD file the server keeps up to date) that are
// pure green, as the edited walls are drawn.
long greenPixels(const std::string& screenFile) {
  std::ifstream in(screenFile, std::ios::binary);
  std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto word = [&](size_t k) {
    const size_t at = k * 4;
    return data.size() < at + 4 ? 0u
                                : (uint32_t(data[at]) << 24 | uint32_t(data[at + 1]) << 16 |
                                   uint32_t(data[at + 2]) << 8 | data[at + 3]);
  };
  const size_t begin = word(0) + word(19) * 12;  // header, colour map
  const size_t width = word(4), height = word(5), stride = word(12);
  long count = 0;
  for (size_t y = 0; y < height; ++y) {
    for (size_t x = 0; x < width; ++x) {
      const size_t at = begin + y * stride + x * 4;
      if (at + 3 > data.size()) return count;
      if (data[at] < 40 && data[at + 1] > 200 && data[at + 2] < 40) ++count;  // B, G, R
    }
  }
  return count;
}

class LiveEditTest : public DemoTest {
 protected:
  void SetUp() override {
    DemoTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    if (std::system("command -v Xvfb >/dev/null") != 0) GTEST_SKIP() << "needs Xvfb";
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    mServer = fork();
    if (mServer == 0) {
      dup2(fds[1], 3);
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
      execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "800x600x24", "-fbdir", work.path().c_str(),
             "-nolisten", "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    char number[16] = {0};
    const ssize_t got = read(fds[0], number, sizeof(number) - 1);
    close(fds[0]);
    ASSERT_GT(got, 0) << "Xvfb did not start";
    mOldDisplay = std::getenv("DISPLAY");
    setenv("DISPLAY", (":" + std::string(number, std::strcspn(number, "\n"))).c_str(), 1);
  }
  void TearDown() override {
    if (mServer > 0) {
      setenv("DISPLAY", mOldDisplay.c_str(), 1);
      kill(mServer, SIGTERM);
      waitpid(mServer, nullptr, 0);
    }
  }

  // Waits (up to ten seconds, though it takes less than one) until `ready`.
  template <class Check>
  bool within(Check ready) {
    for (int k = 0; k < 200; ++k) {
      if (ready()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  pid_t mServer = -1;
  std::string mOldDisplay;
};

TEST_F(LiveEditTest, AnEditedShaderShowsWhileTheDemoPlaysAndABrokenOneKeepsTheOldPicture) {
  const std::string screen = work.file("Xvfb_screen0");
  const std::string walls = "tunnel/walls.frag";
  const std::string original = readWork(walls);
  const std::string setup = readWork("setup.xml");
  writeWork("setup.xml", setup.substr(0, setup.find("start=\"0\"")) + "start=\"10\"" +
                             setup.substr(setup.find("start=\"0\"") + 9));
  std::vector<std::pair<std::string, std::string>> scripts;
  for (const auto& entry : fs::directory_iterator(work.file("script"))) {
    scripts.emplace_back(entry.path().string(), kindra_test::readFile(entry.path().string()));
  }

  DemoProcess demo(binary, work.path(), logFile, DemoOptions{{{"SDL_AUDIODRIVER", "dummy"}}});
  const std::string window = waitForWindow(demo.pid());
  ASSERT_FALSE(window.empty()) << kindra_test::readFile(logFile);
  ASSERT_TRUE(waitForPlay()) << kindra_test::readFile(logFile);
  std::system(("xdotool key --window " + window + " Tab 2>/dev/null").c_str());  // the whole screen is the demo's
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_LT(greenPixels(screen), 100) << "the walls are grey and orange";

  const size_t end = original.rfind("gl_FragColor");
  const std::string green = original.substr(0, end) + "gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0);\n}\n";
  writeWork(walls, green);
  EXPECT_TRUE(within([&] { return greenPixels(screen) > 20000; })) << greenPixels(screen);

  // saved by rename, and broken: the green walls stay
  writeWork(walls + ".tmp", green.substr(0, end) + "gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0)\n}\n");
  ASSERT_EQ(std::rename(work.file(walls + ".tmp").c_str(), work.file(walls).c_str()), 0);
  EXPECT_TRUE(within([&] { return kindra_test::readFile(logFile).find("tunnel/walls.frag:") != std::string::npos; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_GT(greenPixels(screen), 20000);

  writeWork(walls, original);
  EXPECT_TRUE(within([&] { return greenPixels(screen) < 100; })) << greenPixels(screen);

  std::system(("xdotool key --window " + window + " Escape 2>/dev/null").c_str());
  int status = -1;
  ASSERT_TRUE(demo.wait(20.0, &status));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  const std::string out = kindra_test::readFile(logFile);
  EXPECT_NE(out.find("Live editing: rebuilt the program of 'tunnel/walls.frag'"), std::string::npos) << out;
  EXPECT_NE(out.find("Live editing: 'tunnel/walls.frag' builds again"), std::string::npos) << out;
  for (const auto& script : scripts) EXPECT_EQ(kindra_test::readFile(script.first), script.second) << script.first;
}

}  // namespace
