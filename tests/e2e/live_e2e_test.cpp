// Live editing through the real executable: one of the demo's own shaders
// is edited while it plays.

#include <cstdio>

#include "demo_fixture.h"

namespace {

using namespace kindra_e2e;

class LiveEditTest : public DemoTest {
 protected:
  // Pure green pixels of the demo's window, as the edited walls are drawn.
  long greenPixels() const {
    const std::string rgb = grabWindow(window, 800, 600);
    long count = 0;
    for (size_t at = 0; at + 2 < rgb.size(); at += 3) {
      const auto* p = reinterpret_cast<const unsigned char*>(rgb.data() + at);
      if (p[0] < 40 && p[1] > 200 && p[2] < 40) ++count;
    }
    return count;
  }
  std::string window;
};

TEST_F(LiveEditTest, AnEditedShaderShowsWhileTheDemoPlaysAndABrokenOneKeepsTheOldPicture) {
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
  window = playingWindow(demo);
  ASSERT_FALSE(window.empty());
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_LT(greenPixels(), 100) << "the walls are grey and orange";

  const size_t end = original.rfind("gl_FragColor");
  const std::string green = original.substr(0, end) + "gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0);\n}\n";
  writeWork(walls, green);
  EXPECT_TRUE(waitUntil([&] { return greenPixels() > 20000; })) << greenPixels();

  const auto logged = [&](const std::string& text) {
    return waitUntil([&] { return kindra_test::readFile(logFile).find(text) != std::string::npos; });
  };
  // saved by rename, and broken: the green walls stay
  writeWork(walls + ".tmp", green.substr(0, end) + "gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0)\n}\n");
  ASSERT_EQ(std::rename(work.file(walls + ".tmp").c_str(), work.file(walls).c_str()), 0);
  EXPECT_TRUE(logged("tunnel/walls.frag:"));
  // the error shows in the editor's side panel; with the editor hidden, in a line at the bottom
  xdotool(window, "key --window %W Tab");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_GT(greenPixels(), 20000);

  writeWork(walls, original);
  EXPECT_TRUE(waitUntil([&] { return greenPixels() < 100; })) << greenPixels();
  // the tunnel's scene file: cut short, the walls stay; whole again, the tunnel is set up anew from it
  const std::string scene = readWork("tunnel/tunnel.z3d");
  writeWork("tunnel/tunnel.z3d", scene.substr(0, scene.size() / 2));
  EXPECT_TRUE(logged("[error][Exception], tunnel/tunnel.z3d"));
  EXPECT_LT(greenPixels(), 100);
  writeWork("tunnel/tunnel.z3d", scene);
  EXPECT_TRUE(logged("Tunnel was set up again from 'tunnel/tunnel.z3d'"));

  int status = -1;
  ASSERT_TRUE(pressAndWait(demo, window, "Escape", &status));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  const std::string out = kindra_test::readFile(logFile);
  EXPECT_NE(out.find("Live editing: rebuilt the program of 'tunnel/walls.frag'"), std::string::npos) << out;
  EXPECT_NE(out.find("Live editing: 'tunnel/walls.frag' builds again"), std::string::npos) << out;
  for (const auto& script : scripts) EXPECT_EQ(kindra_test::readFile(script.first), script.second) << script.first;
}

}  // namespace
