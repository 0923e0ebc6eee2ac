#pragma once
// Undo and redo of the editor's edits. Every effect's script, as it would be
// written now, is the state: after each burst of input the scripts that
// changed form one step, so whatever edits a script (a drag, a key, a menu,
// the picker) can be undone, and undoing gives back exactly the bytes that
// would have been written before.

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

namespace zelkor {
namespace kindra {

class Effect;

class EditHistory {
 public:
  // Steps kept; older ones are forgotten.
  static const size_t kDefaultDepth = 512;

  explicit EditHistory(size_t depth = kDefaultDepth);

  // Takes the effects' present scripts as the starting state; forgets all steps.
  void reset(const std::vector<Effect*>& effects);
  bool isStarted() const { return mStarted; }
  // Records the scripts that changed since the last call as one step (and
  // drops what could be redone); false when nothing changed.
  bool checkpoint();
  // Back or forward one step; false when there is none.
  bool undo();
  bool redo();
  size_t getUndoCount() const { return mUndo.size(); }
  size_t getRedoCount() const { return mRedo.size(); }

 private:
  struct Change {
    size_t effect;  // index into mEffects
    std::string before;
    std::string after;
  };
  typedef std::vector<Change> Step;
  // Puts each change's `before` (undo) or `after` back.
  void apply(const Step& step, bool back);

  size_t mDepth;
  bool mStarted;
  std::vector<Effect*> mEffects;
  std::vector<std::string> mKnown;  // each effect's script at the last checkpoint
  std::deque<Step> mUndo;
  std::vector<Step> mRedo;
};

}  // namespace kindra
}  // namespace zelkor
