// The engine's effect registry, without a display.

#include <gtest/gtest.h>

#include <string>

#include "kin_effect.h"
#include "kin_main.h"
#include "test_support.h"

namespace {

using zelkor::kindra::Effect;
using zelkor::kindra::EffectFactory;
using zelkor::kindra::EffectFactoryBase;
using zelkor::kindra::Kindra;

class Plain : public Effect {
 public:
  void draw(float, float, float) override {}
};

class Other : public Effect {
 public:
  void draw(float, float, float) override {}
};

// Counts its own deletions, to show that the engine releases what it owns.
int gFactoriesDeleted = 0;
int gEffectsDeleted = 0;

class Counted : public Effect {
 public:
  ~Counted() override { ++gEffectsDeleted; }
  void draw(float, float, float) override {}
};

class CountedFactory : public EffectFactory<Counted> {
 public:
  ~CountedFactory() override { ++gFactoriesDeleted; }
};

TEST(EffectRegistry, CreatesEffectsByTypeNameWithTheDefaultSpan) {
  Kindra kindra;
  kindra.addFactory<Plain>("Plain");
  kindra.addFactory<Other>("Other");
  Effect* a = kindra.addEffect("Plain", "First");
  Effect* b = kindra.addEffect("Other", "Other");
  Effect* c = kindra.addEffect("Plain", "Second");
  ASSERT_NE(a, nullptr);
  EXPECT_NE(dynamic_cast<Plain*>(a), nullptr);
  EXPECT_NE(dynamic_cast<Other*>(b), nullptr);
  EXPECT_EQ(a->mType, "Plain");
  EXPECT_EQ(a->mName, "First");
  EXPECT_EQ(a->mStart, 0.0f);
  EXPECT_EQ(a->mEnd, 10.0f);
  EXPECT_EQ(a->mDisplay, nullptr);
  EXPECT_FALSE(a->getInactive());
  EXPECT_EQ(kindra.getEffects(), (std::vector<Effect*>{a, b, c}));
}

TEST(EffectRegistry, UnknownTypeIsLoggedAndAddsNothing) {
  Kindra kindra;
  kindra.addFactory<Plain>("Plain");
  kindra_test::StdoutCapture capture;
  EXPECT_EQ(kindra.addEffect("plain", "x"), nullptr);
  const std::string out = capture.finish();
  EXPECT_NE(out.find("[log][kindra::Kindra::addEffect], Effect plain not found. (kin_main.cpp:"), std::string::npos) << out;
  EXPECT_TRUE(kindra.getEffects().empty());
}

TEST(EffectRegistry, SecondRegistrationUnderANameReplacesTheFirst) {
  Kindra kindra;
  kindra.addFactory<Plain>("T");
  kindra.addFactory<Other>("T");
  EXPECT_NE(dynamic_cast<Other*>(kindra.addEffect("T", "t")), nullptr);
}

TEST(EffectRegistry, EngineReleasesItsEffectsAndFactories) {
  gFactoriesDeleted = gEffectsDeleted = 0;
  {
    Kindra kindra;
    CountedFactory* first = new CountedFactory;
    kindra.addFactory("C", first);
    kindra.addFactory("C", first);  // the same one again is kept
    EXPECT_EQ(gFactoriesDeleted, 0);
    kindra.addFactory("C", new CountedFactory);
    EXPECT_EQ(gFactoriesDeleted, 1) << "the replaced factory is released";
    kindra.addEffect("C", "a");
    kindra.addEffect("C", "b");
  }
  EXPECT_EQ(gFactoriesDeleted, 2);
  EXPECT_EQ(gEffectsDeleted, 2);
}

TEST(EffectTest, LoadKeepsTheDisplayAndNamesTheScript) {
  Plain effect;
  effect.mType = "Tunnel";
  effect.mName = "Tunnel";
  effect.load(nullptr);
  EXPECT_EQ(effect.mFilename, "script/Tunnel.Tunnel.xml");
  effect.mName = "Second";
  effect.load(nullptr);
  EXPECT_EQ(effect.mFilename, "script/Tunnel.Second.xml");
}

TEST(EngineClock, JumpsNeverGoBelowZero) {
  Kindra kindra;
  kindra.setTime(-3.0f);
  kindra.getTime();
  EXPECT_GE(kindra.getSystemTime(), 0.0f);
  EXPECT_LT(kindra.getSystemTime(), 0.5f);
  kindra.setTime(30.0f);
  kindra.getTime();
  EXPECT_NEAR(kindra.getSystemTime(), 30.0f, 0.5f);
  EXPECT_EQ(kindra.getMusicTime(), kindra.getSystemTime()) << "without music the music time is the demo time";
}

}  // namespace
