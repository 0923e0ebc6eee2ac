#pragma once
// Pop-up (context) menu. Its options are Contexts themselves, so an option
// with options of its own opens a sub-menu beside its row.

#include <string>
#include <vector>

#include "tes_control.h"

namespace zelkor {
namespace tessel {

class Context : public Control {
 public:
  Context();
  // Closes the menu first when it is the one the workspace shows.
  ~Context() override;

  Control* clone() const override { return new Context; }
  // Base attributes, then nested "item" sub-tags ("caption", optional "name").
  void load(xml::IteratorConst& it) override;
  void loadStyle(xml::IteratorConst& it) override;
  // As the open menu: hover unfolds sub-menus, a left release on an option
  // picks it and closes the menu.
  int handleEvent(Event& event) override;
  bool acceptEvents(Event& event) override;
  void draw(Area area, Area base, Area clip) override;

  // ---- appended
  // Adds an option; `name` is what a pick reports, `caption` what is shown.
  virtual Context* addOption(const std::string& name, const std::string& caption);
  // Changes an option's caption, adding the option when there is none.
  virtual void setOption(const std::string& name, const std::string& caption);
  virtual void deleteOptions();
  // Marks an option (e.g. the current choice) as highlighted.
  virtual void setHighlight(const std::string& name, bool highlighted);
  // A width of 0 or less sizes the menu to its captions.
  virtual void setFixedWidth(float width);
  // Moves the menu by `offset` and sizes it and its sub-menus.
  virtual void resize(const mathbase::Vector2f& offset);
  // Prefixes this menu's caption and "." to the event's action (an empty
  // caption adds nothing) and passes it up; the outermost menu hands it to
  // its owner's handleEvent and sendContextAction.
  virtual void sendContextEvent(Event& event);

  uint32_t getOptionCount() const { return static_cast<uint32_t>(mOption.size()); }
  Context* getOption(uint32_t index);
  Context* findOption(const std::string& name);
  const std::string& getName() const { return mId; }
  bool hasOptions() const { return !mOption.empty(); }
  bool getExpanded() const { return mExpanded; }
  bool getHighlighted() const { return mHighlighted; }
  // The options' panel, relative to this menu's area minimum.
  const Area& getPanel() const { return mPanel; }
  // The option row under a world position, looking into open sub-menus first.
  Context* findOptionAt(const mathbase::Vector2f& world);
  // Whether a world position lies on this menu or an open sub-menu.
  bool isOnMenu(const mathbase::Vector2f& world);
  // Folds every sub-menu and clears the hover marks.
  void collapse();

  float mBorder;
  float mUnfoldSpace;
  float mRowSpacing;
  float mFixedWidth;
  int mSelected;  // index of the row under the mouse, or -1
  bool mExpanded;
  bool mHighlighted;
  Area mPanel;
  bool mStyleLoaded;
  std::vector<Context*> mOption;  // owned; each option's parent is this menu

 private:
  // Places the option rows and, recursively, the sub-menus.
  void layoutPanel(const mathbase::Vector2f& panelMin);
  void drawPanel(Render& render, const style& colors);
  Context* outermost();
  void loadItems(xml::IteratorConst& items, Context* into, int depth);
};

}  // namespace tessel
}  // namespace zelkor
