// Effect scripts: what is read from script/<type>.<name>.xml, what is written
// back, and what happens to files that are broken or cannot be written. The
// spline plugin's payload and values over the effect's span.

#include <gtest/gtest.h>
#include <filesystem>
#include <memory>
#include <string>

#include "kindra_effects.h"
#include "kindra_workdir.h"
#include "test_support.h"
#include "xml_parser.h"

namespace {

namespace fs = std::filesystem;
using kindra_test::Scripted;
using zelkor::kindra::Spline;
using Curve = zelkor::kindra::Spline::Curve;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A script in the written format with every kind of content: flags, a span
// that is no whole number, keys of several magnitudes (two at one time), a
// spline without keys, a payload of nested elements with attributes on the
// plugin's own element, and an element no plugin reads.
const char kFullScript[] =
    "<effect>\n"
    "\t<option inactive=\"1\" locked=\"0\"/>\n"
    "\t<time start=\"12.5\" end=\"47.25\"/>\n"
    "\t<plugin type=\"spline\" name=\"speed\">\n"
    "\t\t<attributes type=\"linear\" before=\"repeat\" after=\"add\"/>\n"
    "\t\t<key time=\"0\" value=\"-0.5\"/>\n"
    "\t\t<key time=\"0.333333\" value=\"1.25e-05\"/>\n"
    "\t\t<key time=\"0.333333\" value=\"3\"/>\n"
    "\t\t<key time=\"1\" value=\"123457\"/>\n"
    "\t</plugin>\n"
    "\t<plugin type=\"spline\" name=\"height\">\n"
    "\t\t<attributes type=\"square\" before=\"constant\" after=\"constant\"/>\n"
    "\t</plugin>\n"
    "\t<plugin type=\"pulses\" name=\"beat\" mode=\"loud\">\n"
    "\t\t<action start=\"2\" delay=\"0.5\" repeat=\"3\">\n"
    "\t\t\t<note text=\"first\"/>\n"
    "\t\t</action>\n"
    "\t\t<action start=\"10\" delay=\"1\" repeat=\"1\"/>\n"
    "\t</plugin>\n"
    "\t<plugin type=\"camera\" name=\"gone\">\n"
    "\t\t<key time=\"0\" v0=\"1\" v1=\"2\"/>\n"
    "\t</plugin>\n"
    "</effect>\n";

const char kLockedScript[] =
    "<effect>\n"
    "\t<option inactive=\"0\" locked=\"1\"/>\n"
    "\t<time start=\"0\" end=\"0.1\"/>\n"
    "\t<plugin type=\"spline\" name=\"speed\">\n"
    "\t\t<attributes type=\"smooth\" before=\"add\" after=\"repeat\"/>\n"
    "\t\t<key time=\"-0.25\" value=\"0.1\"/>\n"
    "\t\t<key time=\"2\" value=\"-1e+06\"/>\n"
    "\t</plugin>\n"
    "\t<plugin type=\"spline\" name=\"height\">\n"
    "\t\t<attributes type=\"smooth\" before=\"constant\" after=\"constant\"/>\n"
    "\t\t<key time=\"0.5\" value=\"0.75\"/>\n"
    "\t</plugin>\n"
    "\t<plugin type=\"pulses\" name=\"beat\"/>\n"
    "</effect>\n";

// What a new effect of that type writes.
const char kDefaultScript[] =
    "<effect>\n"
    "\t<option inactive=\"0\" locked=\"0\"/>\n"
    "\t<time start=\"0\" end=\"10\"/>\n"
    "\t<plugin type=\"spline\" name=\"speed\">\n"
    "\t\t<attributes type=\"smooth\" before=\"constant\" after=\"constant\"/>\n"
    "\t</plugin>\n"
    "\t<plugin type=\"spline\" name=\"height\">\n"
    "\t\t<attributes type=\"smooth\" before=\"constant\" after=\"constant\"/>\n"
    "\t</plugin>\n"
    "\t<plugin type=\"pulses\" name=\"beat\"/>\n"
    "</effect>\n";

class ScriptTest : public testing::Test {
 protected:
  // An effect as the engine makes it, its script read.
  std::unique_ptr<Scripted> loaded(const std::string& name = "S") {
    auto effect = std::make_unique<Scripted>();
    effect->mType = "Scripted";
    effect->mName = name;
    kindra_test::StdoutCapture capture;
    effect->load(nullptr);
    log = capture.finish();
    return effect;
  }
  void save(Scripted& effect) {
    kindra_test::StdoutCapture capture;
    effect.save();
    log = capture.finish();
  }
  void writeScript(const std::string& text, const std::string& name = "S") {
    fs::create_directories(work.file("script"));
    work.write("script/Scripted." + name + ".xml", text);
  }
  std::string readScript(const std::string& name = "S") { return work.read("script/Scripted." + name + ".xml"); }
  std::vector<std::string> scriptFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(work.file("script"))) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  kindra_test::WorkDir work{"kindra-script"};
  std::string log;
};

TEST_F(ScriptTest, ScriptsInTheWrittenFormatComeBackByteForByte) {
  for (const char* text : {kFullScript, kLockedScript, kDefaultScript}) {
    writeScript(text);
    std::unique_ptr<Scripted> effect = loaded();
    save(*effect);
    EXPECT_EQ(readScript(), text) << log;
    EXPECT_EQ(scriptFiles(), std::vector<std::string>{"Scripted.S.xml"}) << "no temporary file is left";
  }
}

TEST_F(ScriptTest, EveryPartOfTheScriptReachesTheEffectAndItsPlugins) {
  writeScript(kFullScript);
  std::unique_ptr<Scripted> effect = loaded();
  EXPECT_TRUE(effect->getInactive());
  EXPECT_FALSE(effect->getLocked());
  EXPECT_EQ(effect->mStart, 12.5f);
  EXPECT_EQ(effect->mEnd, 47.25f);

  const Curve& speed = effect->speed.mSpline;
  ASSERT_EQ(speed.getNumKeys(), 4);
  EXPECT_EQ(speed.getInterpolation(), Curve::LINEAR);
  EXPECT_EQ(speed.getExtrapolationBefore(), Curve::EXT_REPEAT);
  EXPECT_EQ(speed.getExtrapolationAfter(), Curve::EXT_REPEAT_ADD);
  EXPECT_FLOAT_EQ(speed[1].value, 1.25e-05f) << "keys at one time keep the file's order";
  EXPECT_FLOAT_EQ(speed[2].value, 3.0f);
  EXPECT_EQ(speed[3].value, 123457.0f);
  EXPECT_EQ(effect->height.mSpline.getNumKeys(), 0);
  EXPECT_EQ(effect->height.mSpline.getInterpolation(), Curve::SQUARE);

  EXPECT_EQ(effect->beat.mode, "loud");
  ASSERT_EQ(effect->beat.pulses.size(), 2u);
  EXPECT_EQ(effect->beat.pulses[0].repeat, 3);
  EXPECT_EQ(effect->beat.pulses[1].start, 10.0f);
  EXPECT_EQ(effect->beat.notes, std::vector<std::string>{"first"});
  EXPECT_TRUE(contains(log, "effect::load: filename: script/Scripted.S.xml")) << log;
  EXPECT_TRUE(contains(log, "No plugin of effect 'S' is named 'gone'; its element is kept as it is")) << log;
}

TEST_F(ScriptTest, AScriptThatIsNoEffectScriptIsKeptToo) {
  writeScript("<demo>\n\t<time start=\"3\" end=\"4\"/>\n</demo>\n");
  std::unique_ptr<Scripted> effect = loaded();
  EXPECT_TRUE(contains(log, "script/Scripted.S.xml: The root element is <demo>, an effect script has <effect>")) << log;
  EXPECT_EQ(effect->mStart, 0.0f);
  save(*effect);
  EXPECT_EQ(readScript(), "<demo>\n\t<time start=\"3\" end=\"4\"/>\n</demo>\n");
  EXPECT_EQ(work.read("script/Scripted.S.xml.new"), kDefaultScript);

  // a directory where the script should be cannot be read either
  fs::create_directories(work.file("script/Scripted.D.xml"));
  effect = loaded("D");
  EXPECT_TRUE(effect->isScriptBroken());
  EXPECT_TRUE(contains(log, "script/Scripted.D.xml: The script cannot be read")) << log;
  save(*effect);
  EXPECT_TRUE(fs::is_directory(work.file("script/Scripted.D.xml")));
  EXPECT_EQ(work.read("script/Scripted.D.xml.new"), kDefaultScript);
}

}  // namespace
