#pragma once
// An item of the demo's timeline and the factories that make effects by
// type name.

#include <exception>
#include <string>

namespace zelkor {
namespace display {
class DisplayGL;
}

namespace kindra {

// Handed to an effect's setup so that the loading screen can show how far it
// got (and the user can quit while it runs).
class EffectProgressUpdate {
 public:
  virtual ~EffectProgressUpdate() = default;
  // Fraction of this effect's own work that is done, 0..1.
  virtual void updateProgress(float fraction) = 0;
  // Item `index` of `count` is done.
  virtual void updateProgress(int index, int count) {
    updateProgress(static_cast<float>(index + 1) / static_cast<float>(count));
  }
};

// Thrown out of an effect's setup when the user ends the program during
// loading; the effect may be left half built.
class UserCancelledException : public std::exception {
 public:
  const char* what() const noexcept override { return "loading cancelled by the user"; }
};

class Effect {
 public:
  Effect();
  virtual ~Effect();
  Effect(const Effect&) = delete;
  Effect& operator=(const Effect&) = delete;

  // Prepares the effect's resources, once, before the demo plays.
  virtual void setup();
  // The same with progress reports: 0, setup(), 1. Effects with long
  // preparation override this one and report finer steps.
  virtual void setup(EffectProgressUpdate& progress);
  // pTime: seconds since mStart.
  virtual void update(float pTime);
  // pTimer: seconds since mStart; pDelta: seconds since the previous frame;
  // pPercent: pTimer / (mEnd - mStart), from 0 to 1.
  virtual void draw(float pTimer, float pDelta, float pPercent) = 0;

  // Called once the display is open, before set-up.
  void load(display::DisplayGL* display);
  // Called at exit, before the effect is released.
  void save();

  // Switched off in the editor: never updated nor drawn.
  bool getInactive() const { return mInactive; }
  void setInactive(bool inactive) { mInactive = inactive; }

  std::string mType;      // the type name it was created under
  std::string mName;      // the instance name
  std::string mFilename;  // its script, "script/<type>.<name>.xml"
  float mStart;           // active while mStart <= t < mEnd (seconds)
  float mEnd;
  display::DisplayGL* mDisplay;

 private:
  bool mInactive;
};

class EffectFactoryBase {
 public:
  virtual Effect* create() = 0;
  // factories are owned and released by the engine
  virtual ~EffectFactoryBase() = default;
};

template <typename T>
class EffectFactory : public EffectFactoryBase {
 public:
  Effect* create() override { return new T; }
};

}  // namespace kindra
}  // namespace zelkor
