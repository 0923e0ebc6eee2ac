// The setup file: which one is read, what each element sets, and what is
// written back into the local one at exit.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <memory>
#include <string>

#include "dis_listener.h"
#include "kin_main.h"
#include "kindra_workdir.h"
#include "test_support.h"
#include "zlk_system.h"

namespace {

using zelkor::Exception;
using zelkor::display::KeyEvent;
using zelkor::display::WindowMode;
using zelkor::kindra::Kindra;

class SetupTest : public testing::Test {
 protected:
  // Reads `text` as the shared setup file.
  std::unique_ptr<Kindra> load(const std::string& text, const std::string& name = "setup.xml") {
    work.write(name, text);
    auto engine = std::make_unique<Kindra>();
    engine->setup(-1.0f);
    return engine;
  }
  // The message of the exception setup throws, or "".
  std::string setupError() {
    kindra_test::StdoutCapture capture;
    try {
      Kindra engine;
      engine.setup(-1.0f);
    } catch (const Exception& e) {
      return e.what();
    }
    return std::string();
  }
  static void key(Kindra& engine, zelkor::display::Key key, int control = zelkor::display::KEYMOD_NONE) {
    KeyEvent event;
    event.key = key;
    event.control = control;
    engine.onKeyDown(event);
  }

  kindra_test::WorkDir work{"kindra-setup"};
};

// ------------------------------------------------------------ reading

TEST_F(SetupTest, OnlyTheLocalFileIsReadWhenBothExist) {
  work.write("setup.xml", kindra_test::windowSetup());
  auto engine = load("<demo>\n\t<osd show=\"off\"/>\n</demo>\n", "setup.local.xml");
  EXPECT_TRUE(engine->isSetup());
  EXPECT_FALSE(engine->hasDisplay()) << "the shared file's display element is not merged in";
  EXPECT_FALSE(engine->isOsdEnabled());
}

TEST_F(SetupTest, EveryElementSetsItsSettings) {
  auto engine = load(
      "<demo>\n"
      "\t<time start=\"3.5\" mode=\"vsync\" length=\"120\" loop=\"on\"/>\n"
      "\t<display width=\"0x400\" height=\"768\" fullscreen=\"on\" title=\"My demo\"/>\n"
      "\t<osd show=\"on\" location=\"bottom\" delay=\"4.5\"/>\n"
      "\t<music mute=\"on\" filename=\"music/song.ogg\"/>\n"
      "\t<log console=\"on\"/>\n"
      "</demo>\n");
  EXPECT_TRUE(engine->isSetup());
  EXPECT_EQ(engine->getStartTime(), 3.5f);
  EXPECT_EQ(engine->getFpsMode(), WindowMode::FPS_VSYNC);
  EXPECT_EQ(engine->getSongLength(), 120.0f);
  EXPECT_TRUE(engine->isLooping());
  EXPECT_TRUE(engine->hasDisplay());
  EXPECT_EQ(engine->getWidth(), 1024) << "integers read 0x as hexadecimal";
  EXPECT_EQ(engine->getHeight(), 768);
  EXPECT_TRUE(engine->isFullscreen());
  EXPECT_EQ(engine->getTitle(), "My demo");
  EXPECT_TRUE(engine->isOsdEnabled());
  EXPECT_EQ(engine->getOsdLocation(), 2);
  EXPECT_EQ(engine->getOsdDelay(), 4.5f);
  EXPECT_TRUE(engine->isMuted());
  EXPECT_FALSE(engine->isNosound());
  EXPECT_EQ(engine->getMusicFilename(), "music/song.ogg");
  EXPECT_TRUE(engine->getLogConsole());
  EXPECT_FALSE(engine->isDumping());
}

TEST_F(SetupTest, MissingElementsAndAttributesKeepTheDefaults) {
  auto engine = load("<demo>\n\t<unknown a=\"1\"/>\n</demo>\n");
  EXPECT_TRUE(engine->isSetup());
  EXPECT_FALSE(engine->hasDisplay());
  EXPECT_EQ(engine->getSongLength(), 500.0f);
  EXPECT_EQ(engine->getFpsMode(), WindowMode::FPS_VARIABLE);
  EXPECT_FALSE(engine->isLooping());
  EXPECT_TRUE(engine->isOsdEnabled());
  EXPECT_EQ(engine->getOsdDelay(), 2.0f);
  EXPECT_FALSE(engine->isNosound());
  EXPECT_FALSE(engine->isMuted());
  EXPECT_FALSE(engine->isPaused());
  EXPECT_EQ(engine->getOsdLocation(), 0);
  EXPECT_EQ(engine->getMusicFilename(), "");

  // an element without its attributes reads them as empty or 0
  engine = load("<demo>\n\t<time start=\"12.5\" mode=\"vsync\"/>\n\t<display/>\n\t<osd/>\n</demo>\n");
  EXPECT_EQ(engine->getStartTime(), 12.5f);
  EXPECT_EQ(engine->getFpsMode(), WindowMode::FPS_VSYNC);
  EXPECT_EQ(engine->getSongLength(), 0.0f) << "no length: 0 until a song plays";
  EXPECT_TRUE(engine->hasDisplay());
  EXPECT_EQ(engine->getWidth(), 0);
  EXPECT_FALSE(engine->isFullscreen());
  EXPECT_FALSE(engine->isOsdEnabled()) << "anything but \"on\" hides the bar";
  EXPECT_EQ(engine->getOsdLocation(), 0);
  EXPECT_EQ(engine->getOsdDelay(), 2.0f) << "a delay of 0 means 2 s";
}

TEST_F(SetupTest, LaterElementsOverrideEarlierOnesExceptTheOnFlags) {
  auto engine = load(
      "<demo>\n"
      "\t<time loop=\"on\" start=\"1\"/>\n\t<time loop=\"off\" start=\"2\"/>\n"
      "\t<display fullscreen=\"on\" width=\"640\"/>\n\t<display fullscreen=\"off\" width=\"320\"/>\n"
      "\t<osd location=\"middle\" show=\"on\"/>\n\t<osd location=\"nowhere\" show=\"on\"/>\n"
      "\t<music mute=\"nosound\"/>\n\t<music mute=\"on\"/>\n"
      "</demo>\n");
  EXPECT_EQ(engine->getStartTime(), 2.0f);
  EXPECT_TRUE(engine->isLooping()) << "loop is only ever switched on";
  EXPECT_TRUE(engine->isFullscreen()) << "so is full screen";
  EXPECT_EQ(engine->getWidth(), 320);
  EXPECT_EQ(engine->getOsdLocation(), 0) << "an unknown place is the top";
  EXPECT_FALSE(engine->isNosound());
  EXPECT_TRUE(engine->isMuted());
}

TEST_F(SetupTest, MuteWords) {
  EXPECT_TRUE(load("<demo><music mute=\"nosound\"/></demo>")->isNosound());
  auto muted = load("<demo><music mute=\"on\"/></demo>");
  EXPECT_TRUE(muted->isMuted());
  EXPECT_FALSE(muted->isNosound());
  auto off = load("<demo><music mute=\"off\"/></demo>");
  EXPECT_FALSE(off->isMuted());
  EXPECT_FALSE(off->isNosound());
}

TEST_F(SetupTest, DumpSettingsAndSilence) {
  kindra_test::StdoutCapture capture;
  auto engine = load("<demo>\n\t<dump name=\"\"/>\n\t<music mute=\"off\" filename=\"a.ogg\"/>\n</demo>\n");
  const std::string out = capture.finish();
  EXPECT_TRUE(engine->isDumping());
  EXPECT_EQ(engine->getDumpName(), "untitled");
  EXPECT_EQ(engine->getDumpRate(), 60.0f);
  EXPECT_TRUE(engine->isNosound()) << "a dump runs silent";
  EXPECT_NE(out.find("[log][kindra::Kindra::readSetupFile], Dumping to 'untitled' (rate='60.000000'fps) (kin_main.cpp:"),
            std::string::npos)
      << out;

  engine = load("<demo>\n\t<dump name=\"dump/demo.png\" fps=\"25\"/>\n</demo>\n");
  EXPECT_EQ(engine->getDumpName(), "dump/demo.png");
  EXPECT_EQ(engine->getDumpRate(), 25.0f);
  EXPECT_TRUE(engine->isNosound()) << "silent also without a music element";

  engine = load("<demo>\n\t<dump fps=\"0\"/>\n\t<dump fps=\"-3\"/>\n</demo>\n");
  EXPECT_EQ(engine->getDumpRate(), 60.0f) << "a rate of 0 or less cannot step the time";
}

TEST_F(SetupTest, ArchivesAreMountedAfterTheWorkingDirectoryInDocumentOrder) {
  std::filesystem::create_directories(work.file("first"));
  std::filesystem::create_directories(work.file("second"));
  kindra_test::writeFile(work.file("first/only-first.txt"), "1");
  kindra_test::writeFile(work.file("second/both.txt"), "2");
  kindra_test::writeFile(work.file("first/both.txt"), "1");
  kindra_test::StdoutCapture capture;
  auto engine = load("<demo>\n\t<archive path=\"first\"/>\n\t<archive path=\"second\"/>\n</demo>\n");
  const std::string out = capture.finish();
  zelkor::am::ArchiveManager& archive = engine->getArchive();
  ASSERT_EQ(archive.getArchiveCount(), 3);
  EXPECT_EQ(archive.getArchive(0)->getArchivePath(), "./");
  EXPECT_EQ(archive.getArchive(1)->getArchivePath(), "first");
  EXPECT_EQ(archive.getArchive(2)->getArchivePath(), "second");
  EXPECT_FALSE(archive.readFile("only-first.txt").isNull());
  zelkor::am::File both = archive.readFile("both.txt");
  ASSERT_FALSE(both.isNull());
  EXPECT_EQ(both->data[0], '1');
  EXPECT_NE(out.find("[log][kindra::Kindra::readSetupFile], Kindra: Adding archive: first\n (kin_main.cpp:"),
            std::string::npos)
      << out;
  EXPECT_LT(out.find("Adding archive: first"), out.find("Adding archive: second"));
}

TEST_F(SetupTest, NumbersThatAreNoNumbersReadAsZero) {
  auto engine = load("<demo><time start=\"nan\" length=\"inf\"/></demo>");
  EXPECT_EQ(engine->getStartTime(), 0.0f);
  EXPECT_EQ(engine->getSongLength(), 0.0f);
}

TEST_F(SetupTest, SetupReadsOnlyOnce) {
  auto engine = load("<demo><time start=\"4\"/></demo>");
  work.write("setup.xml", "<demo><time start=\"9\"/></demo>");
  engine->setup(1.5f);
  EXPECT_EQ(engine->getStartTime(), 4.0f);
}

// ------------------------------------------------------------ failures

TEST_F(SetupTest, NoSetupFileFailsWithItsMessage) {
  EXPECT_EQ(setupError(), "[Kindra] Could not load 'setup.[local.]xml'");
}

TEST_F(SetupTest, MalformedFilesFailWithAMessageNamingTheFile) {
  work.write("setup.xml", "<demo>\n\t<time start=\"1\"\n");
  std::string error = setupError();
  EXPECT_EQ(error.rfind("setup.xml: (error at line ", 0), 0u) << error;

  work.write("setup.local.xml", "<demo><time start=\"1\"/></dem>");
  error = setupError();
  EXPECT_EQ(error.rfind("setup.local.xml: ", 0), 0u) << error;

  work.write("setup.local.xml", "");
  error = setupError();
  EXPECT_EQ(error.rfind("setup.local.xml: ", 0), 0u) << error;

  work.write("setup.local.xml", "<settings><display/></settings>");
  EXPECT_EQ(setupError(), "setup.local.xml: The root element is 'settings', a setup file has 'demo'");
}

// ------------------------------------------------------------ write-back

const char kLocal[] =
    "<?xml version=\"1.0\"?>\n"
    "<demo>\n"
    "\t<!-- the maker's own settings -->\n"
    "\t<display title=\"Kindra\" width=\"640\" fullscreen=\"on\" height=\"480\"/>\n"
    "\t<time mode=\"vsync\" start=\"1\" extra=\"kept\"/>\n"
    "\t<osd show=\"on\" location=\"top\"/>\n"
    "\t<music filename=\"music/tone.ogg\" mute=\"off\"/>\n"
    "\t<music mute=\"on\"/>\n"
    "\t<gadget colour=\"red\">\n"
    "\t\t<part/>\n"
    "\t</gadget>\n"
    "\t<log/>\n"
    "</demo>\n";

TEST_F(SetupTest, WriteBackUpdatesTheSettingsAndKeepsEverythingElse) {
  work.write("setup.local.xml", kLocal);
  {
    Kindra engine;
    engine.setup(-1.0f);
    EXPECT_TRUE(engine.isMuted()) << "the last music element counts";
    key(engine, zelkor::display::KEY_SPACE);  // pause, so that times are exact
    engine.setTime(42.123f);
    key(engine, zelkor::display::KEY_t, zelkor::display::KEYMOD_LCTRL);
    EXPECT_FLOAT_EQ(engine.getStartTime(), 42.123f);
    key(engine, zelkor::display::KEY_o);  // shown at 42.123, moves...
    key(engine, zelkor::display::KEY_o);
    key(engine, zelkor::display::KEY_m);
  }
  EXPECT_EQ(work.read("setup.local.xml"),
            "<?xml version=\"1.0\"?>\n"
            "\n"
            "<demo>\n"
            "\t<!-- the maker's own settings -->\n"
            "\t<display title=\"Kindra\" width=\"640\" fullscreen=\"on\" height=\"480\"/>\n"
            "\t<time mode=\"vsync\" start=\"42.12\" extra=\"kept\" length=\"0\" loop=\"off\"/>\n"
            "\t<osd show=\"on\" location=\"bottom\" delay=\"2.00\"/>\n"
            "\t<music filename=\"music/tone.ogg\" mute=\"off\"/>\n"
            "\t<music mute=\"off\"/>\n"
            "\t<gadget colour=\"red\">\n"
            "\t\t<part/>\n"
            "\t</gadget>\n"
            "\t<log console=\"off\"/>\n"
            "</demo>\n");
}

// Found by fuzzing: stray text in the user's file gained a pair of quotes and
// the layout after it at every exit, so the file grew with each run.
TEST_F(SetupTest, StrayTextSaysTheSameAfterEverySave) {
  const std::string crash =
      "<demo>\n-\t<!-- mine -->\n\t<display width=\"640\" heihow=\"on\" location=\"top\" delay=\"1\"/>\n"
      "\t<extra note=\"kept\"/>\n</demo>\n";
  work.write("setup.local.xml", crash);
  kindra_test::StdoutCapture quiet;
  std::string saved[3];
  for (std::string& text : saved) {
    {
      Kindra engine;
      engine.setup(-1.0f);
    }
    text = work.read("setup.local.xml");
  }
  EXPECT_NE(saved[0].find("\t'-'\n\t<!-- mine -->"), std::string::npos) << saved[0];
  EXPECT_EQ(saved[1], saved[0]);
  EXPECT_EQ(saved[2], saved[0]);
}

// Found by fuzzing: a <!...> entry and a title holding quotes were written
// back in a form the next start refused.
TEST_F(SetupTest, WhatWasReadIsWrittenSoThatItReadsAgain) {
  work.write("setup.local.xml",
             "<demo>\n\t<!2- n\" location=\"tonpmine -->>\t<display width=\"640\" title='say \"hi\"'/>\n</demo>\n");
  kindra_test::StdoutCapture quiet;
  std::string saved[2];
  for (std::string& text : saved) {
    {
      Kindra engine;
      engine.setup(-1.0f);
      EXPECT_EQ(engine.getTitle(), "say \"hi\"");
    }
    text = work.read("setup.local.xml");
  }
  EXPECT_EQ(saved[1], saved[0]);
}

TEST_F(SetupTest, WriteBackAppendsAMissingTimeElementAndKeepsMuteWords) {
  work.write("setup.local.xml",
             "<demo>\n\t<music mute=\"nosound\"/>\n\t<osd show=\"off\" location=\"middle\" delay=\"0.333\"/>\n"
             "\t<log console=\"on\"/>\n</demo>\n");
  {
    Kindra engine;
    engine.setup(-1.0f);
  }
  EXPECT_EQ(work.read("setup.local.xml"),
            "<demo>\n"
            "\t<music mute=\"nosound\"/>\n"
            "\t<osd show=\"off\" location=\"middle\" delay=\"0.33\"/>\n"
            "\t<log console=\"on\"/>\n"
            "\t<time start=\"0.00\" length=\"500\" loop=\"off\"/>\n"
            "</demo>\n");
}

TEST_F(SetupTest, ForcedSilenceIsNoSetting) {
  // a dump runs silent, but the music setting stays what it was
  work.write("setup.local.xml",
             "<demo>\n\t<time length=\"61.5\" loop=\"on\"/>\n\t<dump name=\"d.png\"/>\n\t<music mute=\"on\"/>\n</demo>\n");
  {
    Kindra engine;
    engine.setup(-1.0f);
    EXPECT_TRUE(engine.isNosound());
  }
  EXPECT_EQ(work.read("setup.local.xml"),
            "<demo>\n\t<time length=\"61.5\" loop=\"on\" start=\"0.00\"/>\n\t<dump name=\"d.png\"/>\n"
            "\t<music mute=\"on\"/>\n</demo>\n");
}

TEST_F(SetupTest, TheSharedFileIsNeverWrittenNorALocalOneMade) {
  const std::string shared = "<demo>\n<time start=\"3\"/>\n</demo>\n";
  work.write("setup.xml", shared);
  {
    Kindra engine;
    engine.setup(-1.0f);
    engine.setTime(10.0f);
    key(engine, zelkor::display::KEY_t, zelkor::display::KEYMOD_RCTRL);
  }
  EXPECT_EQ(work.read("setup.xml"), shared);
  EXPECT_FALSE(std::filesystem::exists(work.file("setup.local.xml")));
}

TEST_F(SetupTest, ALocalFileThatBrokeDuringTheRunIsLeftAlone) {
  work.write("setup.local.xml", "<demo><osd show=\"on\"/></demo>");
  kindra_test::StdoutCapture capture;
  {
    Kindra engine;
    engine.setup(-1.0f);
    work.write("setup.local.xml", "<demo><osd");
  }
  const std::string out = capture.finish();
  EXPECT_EQ(work.read("setup.local.xml"), "<demo><osd");
  EXPECT_NE(out.find("setup.local.xml is no setup file any more; it is left as it is"), std::string::npos) << out;
}

TEST_F(SetupTest, AFailedWriteLeavesThePreviousFileWhole) {
  work.write("setup.local.xml", kLocal);
  kindra_test::StdoutCapture capture;
  {
    Kindra engine;
    engine.setup(-1.0f);
    engine.setTime(7.0f);
    key(engine, zelkor::display::KEY_t, zelkor::display::KEYMOD_LCTRL);
    // a disk that is full before the new file is: files stop at 300 bytes
    // (the captured output stays below that)
    ASSERT_GT(sizeof(kLocal), 330u);
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit tiny = saved;
    tiny.rlim_cur = 300;
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    engine.saveXml();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);
    EXPECT_EQ(work.read("setup.local.xml"), kLocal);
    // the destructor would save again
    std::filesystem::remove(work.file("setup.local.xml"));
  }
  const std::string out = capture.finish();
  EXPECT_NE(out.find("[warning][kindra::Kindra::saveXml], Could not write 'setup.local.xml'; the previous one is kept"),
            std::string::npos)
      << out;
  size_t leftovers = 0;
  for (const auto& entry : std::filesystem::directory_iterator(work.path())) {
    (void)entry;
    ++leftovers;
  }
  EXPECT_EQ(leftovers, 0u) << "no temporary file stays behind";
}

}  // namespace
