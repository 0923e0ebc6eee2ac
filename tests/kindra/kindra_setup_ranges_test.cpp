// Every number of the setup file has a range: what lies outside is clamped
// with a warning naming file, element and attribute, or refused before any
// window opens; what is saved back reads the same at the next start.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "kin_main.h"
#include "kindra_workdir.h"
#include "test_support.h"
#include "zlk_system.h"

namespace {

using zelkor::kindra::Kindra;

struct Row {
  std::string element;  // the element as the setup file has it
  std::function<float(const Kindra&)> read;
  float expected;
  std::string warning;  // "" when none is expected
};

TEST(SetupRanges, OutOfRangeNumbersAreClampedWithAWarning) {
  const auto start = [](const Kindra& k) { return k.getStartTime(); };
  const auto length = [](const Kindra& k) { return k.getSongLength(); };
  const auto delay = [](const Kindra& k) { return k.getOsdDelay(); };
  const auto rate = [](const Kindra& k) { return k.getDumpRate(); };
  const auto bar = [](const Kindra& k) { return k.getBeatGrid().getBarLength(); };
  const Row rows[] = {
      {"<time start=\"1e30\"/>", start, 86400.0f, "setup.xml: <time start> lies outside 0 to 86400; read as 86400"},
      {"<time start=\"-4\"/>", start, 0.0f, "setup.xml: <time start> lies outside 0 to 86400; read as 0"},
      {"<time start=\"12.5\"/>", start, 12.5f, ""},
      {"<time length=\"inf\"/>", length, 0.0f, "setup.xml: <time length> is no number; read as 0"},
      {"<time length=\"-1\"/>", length, 0.0f, "setup.xml: <time length> lies outside 0 to 86400; read as 0"},
      {"<osd delay=\"-2\"/>", delay, 2.0f, "setup.xml: <osd delay> lies outside 0 to 3600; read as 0"},
      {"<osd delay=\"0.001\"/>", delay, 0.01f, ""},
      {"<dump name=\"d.png\" fps=\"1e9\"/>", rate, 1000.0f, "setup.xml: <dump fps> lies outside 1 to 1000; read as 1000"},
      {"<dump name=\"d.png\" fps=\"nan\"/>", rate, 60.0f, "A dump rate of 'nan' frames per second cannot be"},
      {"<dump name=\"//frames/f.png\"/>", rate, 60.0f, "The frames go inside the working directory, to './frames/f.png'"},
      {"<music bpm=\"fast\"/>", bar, 0.0f, "setup.xml: <music bpm=\"fast\"> is no tempo"},
      {"<music bpm=\"120\" beats=\"0\"/>", bar, 2.0f, "setup.xml: <music beats=\"0\"> is no number of beats per bar"},
      {"<music bpm=\"90\" beats=\"3\"/>", bar, 2.0f, ""},
      // the reason comes first; a huge value is shortened, binary escaped
      {"<time start=\"\x01\x02\"/>", start, 0.0f, "<time start> is no number; read as 0 (the value is '\\x01\\x02')"},
      {"<time start=\"-" + std::string(4998, '0') + "5\"/>", start, 0.0f,
       "lies outside 0 to 86400; read as 0 (the value is '-" + std::string(79, '0') + "... (5000 bytes)')"},
  };
  for (const Row& row : rows) {
    kindra_test::WorkDir work("kindra-ranges");
    work.write("setup.xml", "<demo>" + row.element + "</demo>");
    kindra_test::StdoutCapture capture;
    Kindra engine;
    engine.setup(-1.0f);
    const std::string out = capture.finish();
    EXPECT_FLOAT_EQ(row.read(engine), row.expected) << row.element;
    const std::string expected = row.warning.empty() ? "[warning]" : row.warning;
    EXPECT_EQ(out.find(expected) != std::string::npos, !row.warning.empty()) << row.element.substr(0, 80) << "\n" << out;
  }
}

TEST(SetupRanges, WindowSizesOutsideWhatCanBeDrawnAreRefused) {
  for (const char* display : {"width=\"-1\" height=\"600\"", "width=\"800\" height=\"100000\"", "width=\"0\" height=\"600\""}) {
    kindra_test::WorkDir work("kindra-ranges");
    work.write("setup.xml", std::string("<demo><display ") + display + "/></demo>");
    const std::string message = kindra_test::thrownMessage([] {
      Kindra engine;
      engine.setup(-1.0f);
    });
    EXPECT_NE(message.find("setup.xml: <display "), std::string::npos) << message;
    EXPECT_NE(message.find("> must lie between 1 and 16384"), std::string::npos) << message;
  }
}

// A dump with nothing to dump is refused before any window opens; a song
// that cannot be read leaves the time element's length.
TEST(SetupRanges, ADumpOfNothingIsRefusedBeforeAWindowOpens) {
  const std::pair<const char*, const char*> rows[] = {
      {"<time length=\"10\"/><dump name=\"d.png\" start=\"20\"/>",
       "Nothing can be dumped from 20 to 10 seconds at 60 frames per second"},
      {"<time length=\"0\"/><dump name=\"d.png\"/>", "Nothing can be dumped of a timeline of 0 seconds at 60 frames per second"},
  };
  for (const auto& row : rows) {
    kindra_test::WorkDir work("kindra-ranges");
    work.write("setup.xml", std::string("<demo><display width=\"64\" height=\"48\"/>") + row.first + "</demo>");
    std::string log;
    EXPECT_EQ(kindra_test::thrownMessage(
                  [] {
                    Kindra engine;
                    engine.setup(-1.0f);
                    engine.run();
                  },
                  &log),
              row.second);
    EXPECT_NE(log.find("The length of the song '' is not known"), std::string::npos) << row.first << "\n" << log;
  }
}

// Clamped values and those at the ends of a range survive the save: the next
// start reads what the last one saved.
TEST(SetupRanges, WhatIsSavedReadsTheSame) {
  kindra_test::WorkDir work("kindra-ranges");
  work.write("setup.local.xml", "<demo><time start=\"1e9\" length=\"86400\"/><osd delay=\"0.004\"/></demo>");
  float first[3];
  {
    kindra_test::StdoutCapture capture;
    Kindra engine;
    engine.setup(-1.0f);
    first[0] = engine.getStartTime();
    first[1] = engine.getSongLength();
    first[2] = engine.getOsdDelay();
  }
  kindra_test::StdoutCapture capture;
  Kindra engine;
  engine.setup(-1.0f);
  EXPECT_EQ(engine.getStartTime(), first[0]);
  EXPECT_EQ(engine.getSongLength(), first[1]);
  EXPECT_EQ(engine.getOsdDelay(), first[2]);
  EXPECT_EQ(capture.finish().find("[warning]"), std::string::npos) << "the saved file is in range";
}

}  // namespace
