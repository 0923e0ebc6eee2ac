#pragma once
// An item of the demo's timeline: drawing code with a time span, animated
// parameters (plugins) and a script that stores both. The same object is the
// effect's bar on the editor's timeline, with its plugins' editors below it.

#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tes_context.h"
#include "tes_layoutstack.h"

namespace zelkor {
namespace display {
class DisplayGL;
}
namespace xml {
class Iterator;
class IteratorConst;
class XmlParser;
}  // namespace xml

namespace kindra {

class Effect;

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

// One named, animated parameter of an effect: a value over the effect's
// lifetime, stored in the effect's script, edited by its own control below the
// effect's bar. Concrete plugins derive from this first and from a toolkit
// control second, and are members of their effect.
class PluginBase {
 public:
  PluginBase();
  virtual ~PluginBase();
  PluginBase(const PluginBase&) = delete;
  PluginBase& operator=(const PluginBase&) = delete;

  // The plugin's editor control (usually the plugin itself).
  virtual tessel::Control* getControl() = 0;
  // Reads the payload of the plugin's "plugin" element (the iterator stands
  // on it).
  virtual void load(xml::IteratorConst& it) = 0;
  // Writes the payload into the plugin's "plugin" element.
  virtual void save(xml::Iterator& it) = 0;
  // Sizes the editor to the effect's width (10 units per second); with
  // oldWidth > 0 the keys keep their times in seconds although the effect's
  // width changed from oldWidth.
  virtual void setupControl(float pWidth, float oldWidth);
  // Per-frame state at the effect's local time.
  virtual void update(float pTime);
  // Forgets the payload, as before the first load: load() then gives exactly
  // what a script holds (undo and redo put scripts back this way).
  virtual void clearPayload() {}

  const std::string& getPluginType() const { return mType; }
  const std::string& getPluginName() const { return mName; }
  Effect* getEffect() const { return mEffect; }

  // The effect's local time as a fraction of its duration: 0 at its start, 1
  // at its end. Follows the effect's span, also when no editor ever sized the
  // plugin's control; without an effect, the control's width stands for it.
  float getNormalizedTime(float pTime);

  // The kind written into the script: "spline", "camera", "color", "trigger".
  std::string mType;
  // The key in the script, set by Effect::addPlugin.
  std::string mName;
  // The effect that registered the plugin (not owned).
  Effect* mEffect;
};

class Effect : public tessel::LayoutStack {
 public:
  Effect();
  ~Effect() override;
  Effect(const Effect&) = delete;
  Effect& operator=(const Effect&) = delete;

  // Effects are made by the engine's factories, never by the toolkit's.
  tessel::Control* clone() const override { return nullptr; }
  // Locked: only the bar.
  tessel::Area getOccupiedArea() override;
  // Also while the pointer is on the bar or a drag runs, so that a drag
  // follows the pointer off the control.
  bool acceptEvents(tessel::Event& event) override;
  // Moving and resizing the bar, its context menu.
  int handleEvent(tessel::Event& event) override;
  // The bar, then the plugins' editors.
  void draw(tessel::Area area, tessel::Area base, tessel::Area clip) override;
  // Stacks the children and takes their height (only the bar's when locked).
  void recalculate(bool reverse = false) override;
  using tessel::LayoutStack::load;

  // Prepares the effect's resources, once, before the demo plays.
  virtual void setup();
  // The same with progress reports: 0, setup(), 1. Effects with long
  // preparation override this one and report finer steps.
  virtual void setup(EffectProgressUpdate& progress);
  // pTime: seconds since mStart. By default every plugin's update.
  virtual void update(float pTime);
  // pTimer: seconds since mStart; pDelta: seconds since the previous frame;
  // pPercent: pTimer / (mEnd - mStart), from 0 to 1.
  virtual void draw(float pTimer, float pDelta, float pPercent) = 0;
  // Sizes the plugins' editors to the bar and stacks them below it.
  virtual void updatePlugins();
  // Live editing: a file the effect read during its setup changed. An effect
  // that can builds its state from it again (throwing, with its old state
  // kept, when the file is bad) and returns true; by default false.
  virtual bool reloadFile(const std::string& filename);

  // Registers an animated parameter under the name it has in the script;
  // called by concrete effects from their constructors.
  void addPlugin(const std::string& pName, PluginBase& pPlugin);
  // Reads the script (once the display is open, before the editor exists).
  void load(display::DisplayGL* display);
  // Writes the script (at exit).
  void save();
  // The script as save() would write it now.
  std::string getScriptText();
  // Puts the effect back to a script made by getScriptText(): span, flags
  // and every plugin's payload, and its bar and editors follow. False (and
  // nothing changed) when the text is no script.
  bool restoreScript(const std::string& text);
  // save() that tells the caller what could not be written: false with the
  // script's target name and text in `unsaved` when the write failed.
  bool save(std::pair<std::string, std::string>& unsaved);
  // Builds the bar and the plugins' editors once the effect is in the
  // editor's "effects" control.
  void setupControl();

  // "script/<type>.<name>.xml", relative to the working directory.
  std::string getScriptName() const;
  bool getLocked() const { return mLocked; }
  void setLocked(bool locked);
  // Folded: the plugins' editors hide and only the bar shows (it still
  // moves); kept in the script.
  bool getFolded() const { return mFolded; }
  void setFolded(bool folded);
  const std::vector<PluginBase*>& getPlugins() const { return mPlugin; }
  int getMouseOverIndex() const { return mMouseOverIndex; }
  bool isDragging() const { return mMouseDown; }
  tessel::Context& getContextMenu() { return mContext; }
  // The script exists but could not be used: it is kept and the effect is
  // saved beside it.
  bool isScriptBroken() const { return mScriptBroken; }
  // Where save() writes: the script, or beside it when it is broken.
  std::string getSaveName() const;

  std::string mType;      // the type name it was created under
  std::string mName;      // the instance name, shown on the bar
  std::string mFilename;  // its script, built by load and save
  float mStart;           // active while mStart <= t < mEnd (seconds)
  float mEnd;
  display::DisplayGL* mDisplay;
  std::vector<PluginBase*> mPlugin;  // in registration order; members of the concrete effect
  int mMouseOverIndex;               // 0 none, 1 left handle, 2 bar, 3 right handle
  bool mMouseDown;                   // a drag of the bar runs
  tessel::Context mContext;          // "on/off", "lock/unlock"
  bool mLocked;                      // no dragging, plugins folded away
  bool mFolded;                      // plugins' editors hidden below the bar
  float oldWidth;                    // the bar's width before this drag step (Ctrl), or -1

 private:
  // Applies a parsed script; false when its root is not "effect".
  bool applyScript(const xml::XmlParser& script);
  // The script document save() writes.
  void buildScript(xml::XmlParser& document);
  // The bar's time span after a drag step, snapped to the beat grid.
  void snapDrag(tessel::Area& area, bool free) const;
  // The bar's fold marker, in the space of mArea (on bars with plugins and
  // room for it).
  bool hasFoldMarker() const;
  tessel::Area foldMarker() const;
  // Restacks the parent when this effect's height changed.
  void relayoutParent(float previousHeight);

  bool mLoaded;        // load() ran: save() may write
  bool mScriptBroken;  // the script could not be read
  // Plugin elements of the script that no plugin of this effect reads:
  // written back as they were, so that no one's keys are lost.
  std::unique_ptr<xml::XmlParser> mKept;
  tessel::Area mDragArea;  // where the drag put the bar before snapping
  tessel::Control* mSpacer;                  // the bar's room at the top (owned as a child)
  std::vector<tessel::Control*> mAttached;   // plugin editors placed below the bar (not owned)
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
