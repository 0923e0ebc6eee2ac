#include "kin_effect.h"

namespace zelkor {
namespace kindra {

Effect::Effect() : mStart(0.0f), mEnd(10.0f), mDisplay(nullptr), mInactive(false) {}

Effect::~Effect() = default;

void Effect::setup() {}

void Effect::setup(EffectProgressUpdate& progress) {
  progress.updateProgress(0.0f);
  setup();
  progress.updateProgress(1.0f);
}

void Effect::update(float) {}

void Effect::load(display::DisplayGL* display) {
  mDisplay = display;
  mFilename = "script/" + mType + "." + mName + ".xml";
}

void Effect::save() {}

}  // namespace kindra
}  // namespace zelkor
