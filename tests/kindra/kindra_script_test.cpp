// Effect scripts: what is read from script/<type>.<name>.xml, what is written
// back, and what happens to files that are broken or cannot be written. The
// spline plugin's payload and values over the effect's span.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

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
using kindra_test::Single;
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

TEST_F(ScriptTest, ANewEffectKeepsItsDefaultsAndSavingCreatesTheScriptDirectory) {
  std::unique_ptr<Scripted> effect = loaded();
  EXPECT_EQ(effect->mStart, 0.0f);
  EXPECT_EQ(effect->mEnd, 10.0f);
  EXPECT_FALSE(effect->isScriptBroken());
  EXPECT_FALSE(fs::exists(work.file("script")));
  save(*effect);
  EXPECT_EQ(readScript(), kDefaultScript);
  EXPECT_TRUE(contains(log, "[log][kindra::Effect::save], effect::save: filename: script/Scripted.S.xml")) << log;
}

TEST_F(ScriptTest, TheScriptIsNamedAfterTypeAndInstance) {
  writeScript(kLockedScript, "Other");
  std::unique_ptr<Scripted> effect = loaded("S");
  EXPECT_FALSE(effect->getLocked()) << "another instance's script is not read";
  effect = loaded("Other");
  EXPECT_TRUE(effect->getLocked());
  EXPECT_EQ(effect->mFilename, "script/Scripted.Other.xml");
}

TEST_F(ScriptTest, AnEffectThatWasNeverLoadedWritesNothing) {
  // a run that ended before the scripts were read must not replace them with defaults
  writeScript(kFullScript);
  Scripted effect;
  effect.mType = "Scripted";
  effect.mName = "S";
  save(effect);
  EXPECT_EQ(readScript(), kFullScript);
  EXPECT_TRUE(contains(log, "script/Scripted.S.xml was not loaded; left as it is")) << log;
}

TEST_F(ScriptTest, MissingAttributesAndElementsReadAsZeroOrStayAsTheyWere) {
  writeScript("<effect>\n\t<time start=\"4\"/>\n\t<plugin name=\"speed\"><key time=\"0.5\"/><attributes/></plugin>\n</effect>\n");
  std::unique_ptr<Scripted> effect = loaded();
  EXPECT_EQ(effect->mStart, 4.0f);
  EXPECT_EQ(effect->mEnd, 0.0f) << "an effect without an end is never active";
  EXPECT_FALSE(effect->getInactive());
  ASSERT_EQ(effect->speed.mSpline.getNumKeys(), 1);
  EXPECT_EQ(effect->speed.mSpline[0].value, 0.0f);
  EXPECT_EQ(effect->speed.mSpline.getInterpolation(), Curve::SQUARE) << "an attributes element without type";

  // zero flags change nothing
  writeScript("<effect>\n\t<option inactive=\"0\" locked=\"0\"/>\n</effect>\n");
  auto effect2 = std::make_unique<Scripted>();
  effect2->mType = "Scripted";
  effect2->mName = "S";
  effect2->setInactive(true);
  kindra_test::StdoutCapture quiet;
  effect2->load(nullptr);
  EXPECT_TRUE(effect2->getInactive());
  EXPECT_EQ(effect2->mEnd, 10.0f);
}

TEST_F(ScriptTest, OfTwoElementsWithOneNameTheLaterOneWins) {
  writeScript(
      "<effect>\n"
      "\t<plugin type=\"spline\" name=\"speed\"><attributes type=\"linear\"/><key time=\"0\" value=\"1\"/></plugin>\n"
      "\t<plugin type=\"spline\" name=\"speed\"><attributes type=\"smooth\"/><key time=\"0.5\" value=\"2\"/></plugin>\n"
      "</effect>\n");
  std::unique_ptr<Scripted> effect = loaded();
  const Curve& speed = effect->speed.mSpline;
  ASSERT_EQ(speed.getNumKeys(), 1) << "the earlier element's keys are not added to the later one's";
  EXPECT_EQ(speed[0].value, 2.0f);
  EXPECT_EQ(speed.getInterpolation(), Curve::SMOOTH);
  EXPECT_TRUE(contains(log, "script/Scripted.S.xml: 2 plugin elements are named 'speed'; the last one is used")) << log;
}

TEST_F(ScriptTest, NumbersThatAreNoNumbersReadAsZero) {
  writeScript(
      "<effect>\n\t<time start=\"nan\" end=\"1e99\"/>\n"
      "\t<plugin name=\"speed\"><key time=\"nan\" value=\"1\"/><key time=\"0.5\" value=\"inf\"/></plugin>\n</effect>\n");
  std::unique_ptr<Scripted> effect = loaded();
  EXPECT_EQ(effect->mStart, 0.0f);
  EXPECT_EQ(effect->mEnd, 0.0f);
  ASSERT_EQ(effect->speed.mSpline.getNumKeys(), 1) << "a key without a place is skipped";
  EXPECT_EQ(effect->speed.mSpline[0].value, 0.0f);
  EXPECT_TRUE(contains(log, "script/Scripted.S.xml: <time start=\"nan\"> is no number; read as 0")) << log;
  EXPECT_TRUE(contains(log, "Spline 'speed': a key at time \"nan\" cannot be placed; skipped")) << log;
}

// A broken script is the user's work: it stays, and the effect's state goes beside it.
TEST_F(ScriptTest, AMalformedScriptIsNamedWithItsLineAndKept) {
  const std::string broken =
      "<effect>\n\t<time start=\"3\" end=\"4\"/>\n\t<plugin type=\"spline\" name=\"speed\">\n\t\t<key time=\"0\" value=\n";
  writeScript(broken);
  std::unique_ptr<Scripted> effect = loaded();
  EXPECT_TRUE(contains(log, "[error][kindra::Effect::load], script/Scripted.S.xml: (error at line ")) << log;
  EXPECT_TRUE(contains(log, "effect 'S' keeps its defaults")) << log;
  EXPECT_TRUE(effect->isScriptBroken());
  EXPECT_EQ(effect->mStart, 0.0f);
  EXPECT_EQ(effect->mEnd, 10.0f);
  EXPECT_EQ(effect->speed.mSpline.getNumKeys(), 0);

  effect->mEnd = 20.0f;  // edited in the editor meanwhile
  save(*effect);
  EXPECT_EQ(readScript(), broken);
  std::string beside = work.read("script/Scripted.S.xml.new");
  EXPECT_TRUE(contains(beside, "<time start=\"0\" end=\"20\"/>")) << beside;
  EXPECT_TRUE(contains(log, "script/Scripted.S.xml could not be read at start and is kept as it is; effect 'S' is "
                            "saved to script/Scripted.S.xml.new"))
      << log;
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

TEST_F(ScriptTest, AFailedWriteKeepsThePreviousScriptAndSaysSo) {
  writeScript(kFullScript);
  std::unique_ptr<Scripted> effect = loaded();
  effect->mEnd = 99.0f;
  for (int i = 0; i < 100; ++i) effect->height.mSpline.addKey(zelkor::mathbase::SplineBaseKey<float>(i * 0.01f, 0.5f));
  {
    // a disk that fills up during the write: files stop at 1000 bytes (the
    // captured output stays below that)
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit tiny = saved;
    tiny.rlim_cur = 1000;
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    kindra_test::StdoutCapture capture;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    effect->save();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);
    log = capture.finish();
  }
  EXPECT_EQ(readScript(), kFullScript);
  EXPECT_TRUE(contains(log, "[error][kindra::Effect::save], effect::save: Could not write script/Scripted.S.xml (")) << log;
  EXPECT_TRUE(contains(log, "the previous one is kept")) << log;
  EXPECT_EQ(scriptFiles(), std::vector<std::string>{"Scripted.S.xml"}) << "no temporary file is left";

  // no directory can be made where a file is
  fs::remove_all(work.file("script"));
  work.write("script", "not a directory");
  save(*effect);
  EXPECT_TRUE(contains(log, "Could not write script/Scripted.S.xml")) << log;
  EXPECT_EQ(work.read("script"), "not a directory");
}

// ------------------------------------------------------------ spline plugin

class SplinePluginTest : public testing::Test {
 protected:
  // Reads a payload into the plugin, as the effect's load does.
  static void loadPayload(Spline& spline, const std::string& payload) {
    zelkor::xml::XmlParser parser;
    parser.parse("<effect><plugin type=\"spline\" name=\"p\">" + payload + "</plugin></effect>");
    zelkor::xml::IteratorConst it = parser.createIterator("plugin");
    ASSERT_TRUE(++it);
    spline.load(it);
  }
  // A 10-second effect with the keys (0, 0) and (1, 1).
  void SetUp() override {
    effect.mStart = 0.0f;
    effect.mEnd = 10.0f;
    loadPayload(effect.level, "<attributes type=\"linear\"/><key time=\"0\" value=\"0\"/><key time=\"1\" value=\"1\"/>");
    effect.level.setupControl(100.0f, -1.0f);
  }
  Single effect;
};

TEST_F(SplinePluginTest, KeyTimesAreFractionsOfTheEffectsSpan) {
  EXPECT_FLOAT_EQ(effect.level.get(2.5f), 0.25f);
  EXPECT_FLOAT_EQ(effect.level.get(12.0f), 1.0f) << "constant after the last key";
  EXPECT_FLOAT_EQ(effect.level.get(-1.0f), 0.0f);

  // stretched to 20 s without Ctrl: the keys stay at 0 and 1 of the span
  effect.mEnd = 20.0f;
  effect.level.setupControl(200.0f, -1.0f);
  EXPECT_FLOAT_EQ(effect.level.get(10.0f), 0.5f);
  // with Ctrl: they stay at their times in seconds (0 and 10 s)
  effect.mEnd = 10.0f;
  effect.level.setupControl(100.0f, -1.0f);
  effect.mEnd = 20.0f;
  effect.level.setupControl(200.0f, 100.0f);
  EXPECT_FLOAT_EQ(effect.level.mSpline[1].time, 0.5f);
  EXPECT_FLOAT_EQ(effect.level.get(10.0f), 1.0f);
  EXPECT_EQ(effect.level.getArea().getWidth(), 200.0f) << "the editor takes the effect's width";
}

TEST_F(SplinePluginTest, TheValueFollowsTheSpanAlsoWithoutAnEditor) {
  // no editor ever sized the plugin: a 40-second span still ends at key 1
  effect.mEnd = 40.0f;
  EXPECT_FLOAT_EQ(effect.level.get(20.0f), 0.5f);
  // an effect without length stands at its start
  effect.mEnd = effect.mStart;
  EXPECT_FLOAT_EQ(effect.level.get(5.0f), 0.0f);
  // a plugin of no effect goes by its editor's width
  Spline alone;
  loadPayload(alone, "<attributes type=\"linear\"/><key time=\"0\" value=\"0\"/><key time=\"1\" value=\"1\"/>");
  alone.setupControl(50.0f, -1.0f);
  EXPECT_FLOAT_EQ(alone.get(2.5f), 0.5f);
  EXPECT_EQ(Spline().get(3.0f), 0.0f) << "no keys";
}

TEST_F(SplinePluginTest, RepetitionAddsTheRiseAfterTheLastKey) {
  Single other;
  loadPayload(other.level, "<attributes type=\"linear\" after=\"add\"/><key time=\"0\" value=\"0\"/><key time=\"1\" value=\"1\"/>");
  EXPECT_FLOAT_EQ(other.level.get(15.0f), 1.5f);
  EXPECT_EQ(other.level.mSpline.getExtrapolationBefore(), Curve::EXT_CONSTANT) << "a missing word is constant";
}

TEST_F(SplinePluginTest, LoadingAddsToTheKeysTheCurveHas) {
  loadPayload(effect.level, "<key time=\"0.5\" value=\"7\"/>");
  ASSERT_EQ(effect.level.mSpline.getNumKeys(), 3);
  EXPECT_EQ(effect.level.mSpline[1].value, 7.0f);
}

TEST_F(SplinePluginTest, ALoadedSmoothCurveHasTheTangentsOfItsLoadedModes) {
  Single loadedEffect;
  loadPayload(loadedEffect.level,
              "<attributes type=\"smooth\" before=\"repeat\" after=\"repeat\"/><key time=\"0\" value=\"0\"/>"
              "<key time=\"0.3\" value=\"1\"/><key time=\"0.6\" value=\"-1\"/><key time=\"1\" value=\"0\"/>");
  // the same curve made in the editor: modes first, keys after
  Curve made(Curve::SMOOTH, true);
  made.setExtrapolationBefore(Curve::EXT_REPEAT);
  made.setExtrapolationAfter(Curve::EXT_REPEAT);
  for (const auto& key : {std::pair<float, float>{0, 0}, {0.3f, 1}, {0.6f, -1}, {1, 0}}) {
    made.addKey(zelkor::mathbase::SplineBaseKey<float>(key.first, key.second));
  }
  for (float u = -0.5f; u <= 1.5f; u += 0.05f) {
    EXPECT_FLOAT_EQ(loadedEffect.level.mSpline.evaluate(u), made.evaluate(u)) << "at " << u;
  }
}

TEST_F(SplinePluginTest, SavingWritesTheModesAndThenTheKeys) {
  zelkor::xml::XmlParser parser;
  zelkor::xml::Iterator root = parser.createIterator();
  root.setRoot(zelkor::xml::XmlTag("effect"));
  root.addChild(zelkor::xml::XmlTag("plugin"));
  effect.level.mSpline.setExtrapolationBefore(Curve::EXT_REPEAT_ADD);
  effect.level.save(root);
  std::string text;
  parser.write(text, "\t");
  EXPECT_EQ(text,
            "<effect>\n\t<plugin>\n\t\t<attributes type=\"linear\" before=\"add\" after=\"constant\"/>\n"
            "\t\t<key time=\"0\" value=\"0\"/>\n\t\t<key time=\"1\" value=\"1\"/>\n\t</plugin>\n</effect>\n");
}

TEST(PluginRegistration, AddPluginNamesThePluginAndKeepsTheOrder) {
  kindra_test::StdoutCapture capture;
  Scripted effect;
  const std::string out = capture.finish();
  EXPECT_TRUE(contains(out, "Adding speed to list of plugins\nAdding height to list of plugins\nAdding beat to list of plugins\n"))
      << out;
  ASSERT_EQ(effect.getPlugins().size(), 3u);
  EXPECT_EQ(effect.getPlugins()[0], &effect.speed);
  EXPECT_EQ(effect.speed.getPluginName(), "speed");
  EXPECT_EQ(effect.speed.getPluginType(), "spline");
  EXPECT_EQ(effect.beat.getEffect(), &effect);

  // the default update reaches every plugin
  effect.update(1.5f);
  EXPECT_EQ(effect.beat.updates, std::vector<float>{1.5f});
}

}  // namespace
