// Faults met by the real executable in a copy of data/: missing and broken
// archives, songs, scripts, layout, style and shaders, a read-only working
// directory and a full disk at exit. Each ends in a message naming the file,
// never a crash, and no file of the user's is lost or cut short.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "demo_fixture.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using kindra_e2e::DemoOptions;
using kindra_e2e::DemoProcess;

using Snapshot = std::map<std::string, std::string>;

// Every file below `dir` (but the demo's log) by its relative path.
Snapshot snapshot(const std::string& dir) {
  Snapshot files;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (!entry.is_regular_file() || entry.path().filename() == "demo.log") continue;
    files[fs::relative(entry.path(), dir).string()] = kindra_test::readFile(entry.path().string());
  }
  return files;
}

// Which files differ, by name (the bytes are too many to print).
std::string differences(const Snapshot& before, const Snapshot& after) {
  std::string names;
  for (const auto& file : before) {
    const auto found = after.find(file.first);
    if (found == after.end()) names += " lost:" + file.first;
    else if (found->second != file.second) names += " changed:" + file.first;
  }
  for (const auto& file : after) {
    if (!before.count(file.first)) names += " new:" + file.first;
  }
  return names;
}

// The files of `before` are all still there with the same bytes (but those
// the demo is meant to write).
void expectKept(const Snapshot& before, const Snapshot& after, const std::vector<std::string>& written = {}) {
  for (const auto& file : before) {
    if (std::find(written.begin(), written.end(), file.first) != written.end()) continue;
    const auto found = after.find(file.first);
    ASSERT_NE(found, after.end()) << file.first << " is lost";
    EXPECT_EQ(found->second.size(), file.second.size()) << file.first;
    EXPECT_TRUE(found->second == file.second) << file.first << " changed";
  }
}

// The effects' scripts in the data (they change as effects land).
std::vector<std::string> scripts(const std::string& dir) {
  std::vector<std::string> names;
  if (!fs::exists(dir + "/script")) return names;
  for (const auto& entry : fs::directory_iterator(dir + "/script")) {
    if (entry.path().extension() == ".xml") names.push_back("script/" + entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

struct Outcome {
  bool exited = false;  // ended (by itself or after the quit key)
  int status = -1;
  bool played = false;  // got past the loading screen
  std::string out;
};

class FaultTest : public kindra_e2e::DemoTest {
 protected:
  // Runs the demo in `dir` until it exits by itself or plays; a playing demo
  // gets the quit key.
  Outcome run(const std::string& dir, const DemoOptions& options = DemoOptions()) {
    Outcome outcome;
    DemoProcess demo(binary, dir, logFile, options);
    EXPECT_TRUE(demo.started());
    kindra_e2e::waitUntil([&] {
      outcome.exited = demo.wait(0.05, &outcome.status);
      outcome.played = !outcome.exited && kindra_test::readFile(logFile).find("\n---\n") != std::string::npos;
      return outcome.exited || outcome.played;
    }, 90.0);
    if (outcome.played) {
      outcome.exited = pressAndWait(demo, waitForWindow(demo.pid()), "Escape", &outcome.status, 60.0);
    }
    outcome.out = kindra_test::readFile(logFile);
    return outcome;
  }
  Outcome run(const DemoOptions& options = DemoOptions()) { return run(work.path(), options); }

  static void expectExit(const Outcome& outcome, int code) {
    ASSERT_TRUE(outcome.exited) << "still running:\n" << outcome.out;
    ASSERT_TRUE(WIFEXITED(outcome.status)) << "no clean exit (status " << outcome.status << "):\n" << outcome.out;
    EXPECT_EQ(WEXITSTATUS(outcome.status), code) << outcome.out;
  }
  static void expectSaid(const Outcome& outcome, const std::string& text) {
    EXPECT_NE(outcome.out.find(text), std::string::npos) << "no \"" << text << "\" in:\n" << outcome.out;
  }

  // The shared setup with `change` applied, as the user's local setup.
  void writeLocalSetup(const std::regex& pattern, const std::string& replacement, const std::string& dir = "") {
    const std::string shared = readWork("setup.xml");
    const std::string local = std::regex_replace(shared, pattern, replacement);
    ASSERT_NE(local, shared);
    kindra_test::writeFile((dir.empty() ? work.path() : dir) + "/setup.local.xml", local);
  }
  void useSong(const std::string& name) {
    writeLocalSetup(std::regex("filename=\"[^\"]*\""), "filename=\"" + name + "\"");
  }
};

// ------------------------------------------------------------ data files

// Each is named; the demo plays on without what it lacks, or stops its
// start-up (status 1) having written nothing; no file of the user's changes.
TEST_F(FaultTest, DamagedOrMissingDataFilesAreNamedAndNothingIsLost) {
  const auto cutShort = [this](const std::string& name) {
    const std::string text = readWork(name);
    writeWork(name, text.substr(0, text.size() / 2));
  };
  struct Case {
    const char* name;
    std::function<void()> damage;
    int status;
    std::vector<std::string> said;
  };
  const Case cases[] = {
      {"archives missing and broken",
       [&] {
         writeWork("broken.zip", "PK\x03\x04 this is no zip");
         writeLocalSetup(std::regex("</demo>"), "\t<archive path=\"gone/\"/>\n\t<archive path=\"gone.zip\"/>\n"
                                                "\t<archive path=\"broken.zip\"/>\n</demo>");
       },
       0, {"Could not open directory: gone/", "Could not open zip: gone.zip", "Could not open zip: broken.zip"}},
      {"song missing", [&] { useSong("music/none.ogg"); }, 1, {"Could not open the file 'music/none.ogg'!"}},
      {"song undecodable",
       [&] {
         writeWork("music/bad.ogg", std::string("OggS\0\0\0\0", 8) + std::string(5000, '\x5a'));
         useSong("music/bad.ogg");
       },
       0, {"Could not open file\n", "music/bad.ogg: The music cannot be decoded; the demo plays silently"}},
      // cut after its headers: silent or short, never a crash
      {"song cut short",
       [&] {
         writeWork("music/cut.ogg", readWork("music/emberfall.ogg").substr(0, 6000));
         useSong("music/cut.ogg");
       },
       0, {}},
      {"style broken", [&] { cutShort("style.xml"); }, 0, {"Style file 'style.xml' cannot be read; no styles"}},
      {"style missing", [&] { fs::remove(work.file("style.xml")); }, 0, {"Style file 'style.xml' not found; no styles"}},
      {"layout broken", [&] { cutShort("layout.xml"); }, 0,
       {"layout.xml: (error at line ", "layout.xml: The editor cannot be built; the demo plays without it"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(work.file("setup.local.xml"));
    c.damage();
    const Snapshot before = snapshot(work.path());
    const Outcome outcome = run();
    expectExit(outcome, c.status);
    EXPECT_TRUE(outcome.played || c.status != 0);
    for (const std::string& text : c.said) expectSaid(outcome, text);
    if (c.status == 0) {
      expectKept(before, snapshot(work.path()), {"setup.local.xml"});
    } else {
      EXPECT_EQ(differences(before, snapshot(work.path())), "") << "nothing is written after a failed start";
    }
  }
}

// ------------------------------------------------------------ scripts

TEST_F(FaultTest, MissingScriptsAreNamedAndWrittenAtExit) {
  const std::vector<std::string> names = scripts(work.path());
  ASSERT_FALSE(names.empty());
  for (const std::string& name : names) fs::remove(work.file(name));
  const Outcome outcome = run();
  expectExit(outcome, 0);
  for (const std::string& name : names) {
    expectSaid(outcome, name + ": There is no script; effect '");
    EXPECT_NE(readWork(name).find("<effect>"), std::string::npos) << name << " is written";
  }
}

TEST_F(FaultTest, BrokenScriptsAreNamedKeptAndTheStateSavedBesideThem) {
  const std::vector<std::string> names = scripts(work.path());
  ASSERT_FALSE(names.empty());
  for (const std::string& name : names) {
    const std::string text = readWork(name);
    writeWork(name, text.substr(0, text.size() / 2));  // cut short in the middle
  }
  const Snapshot before = snapshot(work.path());
  const Outcome outcome = run();
  expectExit(outcome, 0);
  for (const std::string& name : names) {
    expectSaid(outcome, name + ": (error at line ");
    expectSaid(outcome, name + " could not be read at start and is kept as it is; effect '");
    EXPECT_NE(readWork(name + ".new").find("<effect>"), std::string::npos) << name;
  }
  expectKept(before, snapshot(work.path()));
}

// ------------------------------------------------------------ shaders

// The demo's own programs: one fragment source of data/ missing, then one
// that does not compile. An effect that cannot build its program stops the
// start-up with the file's name; nothing is written.
TEST_F(FaultTest, AMissingOrBrokenShaderOfTheDemoIsNamed) {
  std::vector<std::string> sources;
  for (const auto& entry : fs::recursive_directory_iterator(work.path())) {
    if (entry.path().extension() == ".frag") sources.push_back(fs::relative(entry.path(), work.path()).string());
  }
  if (sources.empty()) GTEST_SKIP() << "the demo's data has no shader programs yet";
  std::sort(sources.begin(), sources.end());
  const std::string name = sources.front();
  const std::string text = readWork(name);

  for (const bool missing : {true, false}) {
    SCOPED_TRACE(missing ? "missing" : "broken");
    if (missing) {
      fs::remove(work.file(name));
    } else {
      writeWork(name, "#version 120\nvoid main() { this is not a shader }\n");
    }
    const Snapshot before = snapshot(work.path());
    const Outcome outcome = run();
    ASSERT_TRUE(outcome.exited) << outcome.out;
    ASSERT_TRUE(WIFEXITED(outcome.status)) << "status " << outcome.status << "\n" << outcome.out;
    // a program the timeline does not use (yet) leaves the demo playing
    if (WEXITSTATUS(outcome.status) != 0) {
      EXPECT_EQ(WEXITSTATUS(outcome.status), 1);
      expectSaid(outcome, missing ? "File '" + name + "' could not be read" : "Could not compile '" + name + "'");
      EXPECT_EQ(differences(before, snapshot(work.path())), "");
    } else {
      expectKept(before, snapshot(work.path()));
    }
    writeWork(name, text);
  }
}

// ------------------------------------------------------------ writing at exit

// What was rescued into the state directory `state`, by relative path.
Snapshot rescued(const std::string& state) {
  if (!fs::exists(state + "/kindra")) return Snapshot();
  for (const auto& entry : fs::directory_iterator(state + "/kindra")) return snapshot(entry.path().string());
  return Snapshot();
}

TEST_F(FaultTest, AReadOnlyWorkingDirectoryKeepsEveryFileAndRescuesTheEdits) {
  writeLocalSetup(std::regex("loop=\"off\""), "loop=\"on\"");
  const std::vector<std::string> names = scripts(work.path());
  const Snapshot before = snapshot(work.path());
  // (the log is opened before the demo starts)
  for (const std::string& dir : {work.path() + "/script", work.path()}) {
    ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
  }
  kindra_test::ScratchDir state("kindra-e2e-state");
  DemoOptions options;
  options.obeyPermissions = true;
  options.env = {{"XDG_STATE_HOME", state.path()}};
  const Outcome outcome = run(options);
  for (const std::string& dir : {work.path(), work.path() + "/script"}) chmod(dir.c_str(), 0755);
  expectExit(outcome, 1);
  EXPECT_TRUE(outcome.played);
  expectSaid(outcome, "Could not write 'setup.local.xml'; the previous one is kept");
  for (const std::string& name : names) expectSaid(outcome, "effect::save: Could not write " + name + " (");
  expectSaid(outcome, "could not be saved; the edits are kept in " + state.path() + "/kindra/unsaved-");
  EXPECT_EQ(differences(before, snapshot(work.path())), "");
  expectNoTemporaryFiles();

  // the rescued files are what a writable directory gets
  const Snapshot kept = rescued(state.path());
  expectExit(run(), 0);
  const Snapshot saved = snapshot(work.path());
  EXPECT_EQ(kept.size(), names.size() + 1);
  for (const auto& file : kept) EXPECT_TRUE(saved.count(file.first) && saved.at(file.first) == file.second) << file.first;
}

// A real full disk: the working directory on a small file system filled to
// the last block, the data read from an archive elsewhere.
TEST_F(FaultTest, AFullDiskKeepsEveryFileAndRescuesTheEdits) {
  kindra_test::ScratchDir disk("kindra-e2e-disk");
  if (geteuid() != 0 || mount("tmpfs", disk.path().c_str(), "tmpfs", 0, "size=256k") != 0) {
    GTEST_SKIP() << "needs root to mount a small file system";
  }
  struct Unmount {
    std::string path;
    ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
  } unmount{disk.path()};

  const std::string dir = disk.path();
  writeLocalSetup(std::regex("</demo>"), "\t<archive path=\"" + work.path() + "/\"/>\n</demo>", dir);
  for (const std::string& name : {std::string("layout.xml"), std::string("style.xml")}) {
    fs::copy_file(work.file(name), dir + "/" + name);
  }
  fs::create_directories(dir + "/script");
  const std::vector<std::string> names = scripts(work.path());
  for (const std::string& name : names) fs::copy_file(work.file(name), dir + "/" + name);
  {
    // every block taken
    FILE* filler = std::fopen((dir + "/filler").c_str(), "wb");
    ASSERT_TRUE(filler);
    const std::string block(4096, 'f');
    while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() && std::fflush(filler) == 0) {
    }
    std::fclose(filler);
  }
  const Snapshot before = snapshot(dir);
  kindra_test::ScratchDir state("kindra-e2e-state");
  DemoOptions options;
  options.env = {{"XDG_STATE_HOME", state.path()}};
  const Outcome outcome = run(dir, options);
  expectExit(outcome, 1);
  const Snapshot kept = rescued(state.path());
  EXPECT_EQ(kept.size(), names.size() + 1);
  EXPECT_NE(kept.count("setup.local.xml") ? kept.at("setup.local.xml").find("<demo>") : std::string::npos,
            std::string::npos);
  EXPECT_TRUE(outcome.played);
  expectSaid(outcome, "Could not write 'setup.local.xml'; the previous one is kept");
  for (const std::string& name : names) expectSaid(outcome, "effect::save: Could not write " + name + " (");
  EXPECT_EQ(differences(before, snapshot(dir)), "");
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << "left behind: " << entry.path();
  }
}

}  // namespace

namespace {

// ------------------------------------------------------------ special files

// Named pipes in place of files never block start-up (open() on one waits
// for a writer for ever): each is named, and the demo goes on or stops as
// for an unreadable file.
TEST_F(FaultTest, NamedPipesInPlaceOfFilesAreNamedAndNeverBlock) {
  struct Case {
    std::vector<std::string> pipes;
    std::string archive;  // added to the local setup, "" for none
    int status;
  };
  const Case cases[] = {
      {{"script/Tunnel.Tunnel.xml", "pack.zip"}, "pack.zip", 0},
      {{"setup.local.xml", "music/emberfall.ogg"}, "", 1},
  };
  for (const Case& c : cases) {
    fs::remove(work.file("setup.local.xml"));
    if (!c.archive.empty()) {
      writeLocalSetup(std::regex("</demo>"), "\t<archive path=\"" + c.archive + "\"/>\n</demo>");
    }
    for (const std::string& name : c.pipes) {
      fs::remove(work.file(name));
      ASSERT_EQ(mkfifo(work.file(name).c_str(), 0644), 0) << name;
    }
    const Outcome outcome = run();
    expectExit(outcome, c.status);
    for (const std::string& name : c.pipes) expectSaid(outcome, name + "': not a regular file");
    for (const std::string& name : c.pipes) fs::remove(work.file(name));
  }
}

}  // namespace
