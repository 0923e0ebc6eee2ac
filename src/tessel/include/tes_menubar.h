#pragma once
// A menu bar: a row of titles, each opening its menu below it. While one is
// open, moving over another title opens that one instead. A pick reports
// "title.option" to the bar's callbacks (and to those of the menu control
// holding the bar).

#include <vector>

#include "tes_context.h"
#include "tes_control.h"

namespace zelkor {
namespace tessel {

class MenuBar : public Control {
 public:
  struct Entry {
    Context* menu;  // owned
    bool hover;
  };

  MenuBar();
  ~MenuBar() override;
  Control* clone() const override { return new MenuBar; }
  // Base attributes, then one menu per "item" sub-tag (its "caption" is the
  // title, its own "item" tags the options).
  void load(xml::IteratorConst& it) override;
  int handleEvent(Event& event) override;
  // Reports to the bar's callbacks, then to those of the menu control
  // holding it.
  void sendContextAction(Context* context, std::string action) override;
  void draw(Area area, Area base, Area clip) override;

  // ---- appended
  // Adds the menu an "item" tag describes.
  virtual void addItem(xml::IteratorConst& it);

  // Adds a menu built in code; the bar owns it.
  Context* addMenu(const std::string& title);
  size_t getMenuCount() const { return mMenu.size(); }
  Context* getMenu(size_t index) const { return index < mMenu.size() ? mMenu[index].menu : nullptr; }
  // The title of menu `index` in local coordinates.
  Area getTitleArea(size_t index);
  // The menu open now, or -1.
  int getOpenIndex();
  void open(int index);

  bool mClicked;           // a title was pressed and its menu opened
  bool mFirstHit;          // the press that opened the menu is not over yet
  float mBarOffset;        // left margin before the first title
  float mBarSpacing;       // space around each title
  int mMouseOverIndex;     // title under the mouse, or -1
  int mMouseInsideIndex;   // the title whose menu is open, or -1
  std::vector<Entry> mMenu;

 private:
  int titleAt(const mathbase::Vector2f& world);
};

}  // namespace tessel
}  // namespace zelkor
