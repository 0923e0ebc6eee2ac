#include "kin_effect.h"

namespace zelkor {
namespace kindra {

Effect::Effect() : mStart(0.0f), mEnd(10.0f), mDisplay(nullptr), mInactive(false) {}

Effect::~Effect() = default;

void Effect::setup() {}

void Effect::update(float) {}

void Effect::load(display::DisplayGL* display) {
  mDisplay = display;
  mFilename = "script/" + mType + "." + mName + ".xml";
}

}  // namespace kindra
}  // namespace zelkor
