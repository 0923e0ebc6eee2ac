// The engine's effect registry, without a display.

#include <gtest/gtest.h>

#include <string>

#include "kin_effect.h"
#include "kin_main.h"
#include "test_support.h"

namespace {

using zelkor::kindra::Effect;
using zelkor::kindra::EffectFactory;
using zelkor::kindra::Kindra;

class Plain : public Effect {
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

TEST(EffectRegistry, UnknownTypeIsLoggedAndAddsNothing) {
  Kindra kindra;
  kindra.addFactory<Plain>("Plain");
  kindra_test::StdoutCapture capture;
  EXPECT_EQ(kindra.addEffect("plain", "x"), nullptr);
  const std::string out = capture.finish();
  EXPECT_NE(out.find("[log][kindra::Kindra::addEffect], Effect plain not found. (kin_main.cpp:"), std::string::npos) << out;
  EXPECT_TRUE(kindra.getEffects().empty());
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

}  // namespace
