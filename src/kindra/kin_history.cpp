#include "kin_history.h"

#include "kin_effect.h"
#include "zlk_system.h"

namespace zelkor {
namespace kindra {

EditHistory::EditHistory(size_t depth) : mDepth(depth > 0 ? depth : 1), mStarted(false) {}

void EditHistory::reset(const std::vector<Effect*>& effects) {
  mEffects = effects;
  mKnown.clear();
  for (Effect* effect : mEffects) mKnown.push_back(effect->getScriptText());
  mUndo.clear();
  mRedo.clear();
  mStarted = true;
}

bool EditHistory::checkpoint() {
  Step step;
  for (size_t i = 0; i < mEffects.size(); ++i) {
    std::string now = mEffects[i]->getScriptText();
    if (now == mKnown[i]) continue;
    step.push_back(Change{i, mKnown[i], now});
    mKnown[i].swap(now);
  }
  if (step.empty()) return false;
  mRedo.clear();
  mUndo.push_back(std::move(step));
  if (mUndo.size() > mDepth) mUndo.pop_front();
  return true;
}

void EditHistory::apply(const Step& step, bool back) {
  for (const Change& change : step) {
    const std::string& text = back ? change.before : change.after;
    Effect* effect = mEffects[change.effect];
    if (!effect->restoreScript(text)) {
      // made by the effect itself: cannot happen short of a fault
      ZLK_LOG("error", "app", "Effect '%s' could not take back its script; it keeps what it has", effect->mName.c_str());
    }
    mKnown[change.effect] = effect->getScriptText();
  }
}

bool EditHistory::undo() {
  checkpoint();
  if (mUndo.empty()) return false;
  Step step = std::move(mUndo.back());
  mUndo.pop_back();
  apply(step, true);
  mRedo.push_back(std::move(step));
  return true;
}

bool EditHistory::redo() {
  // an edit since the last undo has already cleared what could be redone
  if (checkpoint() || mRedo.empty()) return false;
  Step step = std::move(mRedo.back());
  mRedo.pop_back();
  apply(step, false);
  mUndo.push_back(std::move(step));
  return true;
}

}  // namespace kindra
}  // namespace zelkor
