#pragma once
// What every demo effect shares: the common effect, the base class that
// reaches it, the seeded generator and a colour-vector clear.

#include "dis_glinclude.h"
#include "kin_effect.h"
#include "mb_random.h"
#include "mb_vector3.h"

// The only source of randomness in the effects; each builds its own with a
// fixed seed so that its layout is the same on every run (0 takes the clock).
typedef zelkor::mathbase::RandomBase<zelkor::mathbase::RandomGen_LCG<69069, 5>> Random;

// State several effects may share; draws nothing.
class Common : public zelkor::kindra::Effect {
 public:
  Common();
  void setup() override {}
  void draw(float, float, float) override {}

  zelkor::mathbase::Vector3f from;
  zelkor::mathbase::Vector3f to;
  float roll;
};

class CommonEffect : public zelkor::kindra::Effect {
 public:
  CommonEffect() : mCommon(nullptr) {}
  ~CommonEffect() override = default;
  void setCommon(Common* common) { mCommon = common; }
  Common* getCommon() const { return mCommon; }

 protected:
  Common* mCommon;  // not owned
};

void glClearColor(const zelkor::mathbase::Vector3f& color, float alpha);
