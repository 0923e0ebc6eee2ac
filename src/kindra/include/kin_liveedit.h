#pragma once
// Live editing: while the demo plays, the files it read from directories are
// watched; a changed shader source rebuilds its programs, a changed picture
// reloads its textures, and any other changed file an effect read while it
// was set up sets that effect up again (when the effect can). Whatever the
// maker saves, the show goes on: a file that does not build leaves what runs
// as it was, and the error is shown in the editor's side panel (or on a line
// at the bottom of the screen while the editor is hidden) until it is fixed.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "am_filewatcher.h"
#include "dis_livereload.h"

namespace zelkor {
namespace tessel {
class Control;
class Render;
}  // namespace tessel
namespace kindra {

class Kindra;

class LiveEdit {
 public:
  explicit LiveEdit(Kindra& engine);
  ~LiveEdit();
  LiveEdit(const LiveEdit&) = delete;
  LiveEdit& operator=(const LiveEdit&) = delete;

  // Whether the setup file lets files be watched: the "display" element's
  // optional "live" attribute, on unless it says "off"; never while dumping.
  static bool isWanted(Kindra& engine);
  // Watches every file the archives read from now on.
  void start();
  // The effect (its index on the timeline) whose setup runs now, -1 for none.
  void setReader(int effect);
  // Between frames: builds again whatever changed. Never throws.
  void update();
  // The errors on screen, after the effects drew.
  void draw();

  // File name -> what is wrong with it, until it is fixed.
  const std::map<std::string, std::string>& getErrors() const;
  am::FileWatcher& getWatcher() { return mWatcher; }

 private:
  void setUpEffect(const std::string& name);
  // The error lines in the editor's side panel in place of its hints.
  void showInSidePanel(bool visible);
  void drawErrors();

  Kindra& mEngine;
  am::FileWatcher mWatcher;
  bool mStarted;
  std::unique_ptr<display::LiveReload> mReload;
  std::vector<tessel::Control*> mPanelLines;  // owned by the side panel
  std::vector<tessel::Control*> mPanelHints;  // the hints they stand in for
  bool mPanelShown = false;                     // what the panel shows now
  std::map<std::string, std::string> mPanelErrors;
  std::unique_ptr<tessel::Render> mRender;    // for the line while the editor is hidden
  std::vector<std::string> mChanged;
};

}  // namespace kindra
}  // namespace zelkor
