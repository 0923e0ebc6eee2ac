#pragma once
// A column of options: exclusive (radio buttons) or independent (check
// boxes). A click on an option selects it, or flips it in check-box mode.

#include <string>
#include <vector>

#include "tes_control.h"

namespace zelkor {
namespace tessel {

class RadioButton : public Control {
 public:
  struct Option {
    std::string name;
    bool on;
  };

  RadioButton();
  Control* clone() const override { return new RadioButton; }
  // Base attributes, then "option" sub-tags with "name" and "checked" ("true").
  void load(xml::IteratorConst& it) override;
  // A left click (press and release on the same option) selects the option
  // and reports ACTION_RADIOBUTTON_CHANGED; in check-box mode it flips it and
  // reports ACTION_CHECKBOX_ON or ACTION_CHECKBOX_OFF.
  int handleEvent(Event& event) override;
  void draw(Area area, Area base, Area clip) override;

  // ---- appended
  virtual void setCheckbox();
  // Exclusive again: only the first option that is on stays on.
  virtual void setRadiobutton();
  // The option selected (exclusive mode) or clicked last (check-box mode), -1 for none.
  virtual int getSelected() const { return mSelected; }
  // Turns an option on or off without reporting; in exclusive mode turning
  // one on turns the others off. False when there is no such option.
  virtual bool setSelected(const std::string& name, bool on);
  // Whether the option is on (false when there is none).
  virtual bool getSelected(const std::string& name) const;
  virtual void addOption(const std::string& name, bool on);
  virtual void clearOptions();

  bool getCheckbox() const { return mCheckbox; }
  size_t getOptionCount() const { return mOption.size(); }
  const Option& getOption(size_t index) const { return mOption[index]; }
  // The name of getSelected(), or empty.
  std::string getSelectedName() const;
  // Option `index`'s row in local coordinates.
  Area getRow(size_t index);
  // The option under a world position, or -1.
  int optionAt(const mathbase::Vector2f& world);

  bool mCheckbox;
  std::vector<Option> mOption;
  int mSelected;
  int mOptionMouseOver;  // option under the mouse, or -1
  int mOptionMouseDown;  // option the left button went down on, or -1

 private:
  int find(const std::string& name) const;
};

}  // namespace tessel
}  // namespace zelkor
