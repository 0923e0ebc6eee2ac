#pragma once
// A drop-down list: shows the selected option; a click opens a menu of the
// options, and picking one selects it and reports ACTION_DROPDOWN_CHANGED.

#include <string>

#include "tes_context.h"
#include "tes_control.h"

namespace zelkor {
namespace tessel {

class Dropdown : public Control {
 public:
  Dropdown();
  ~Dropdown() override;
  Control* clone() const override { return new Dropdown; }
  // Base attributes, then "option" sub-tags with "id", "name" and "default"
  // ("true" selects it).
  void load(xml::IteratorConst& it) override;
  int handleEvent(Event& event) override;
  void draw(Area area, Area base, Area clip) override;

  // ---- appended
  virtual void deleteOptions();
  // Adds an option: `id` is what getSelectedId reports, `name` is shown.
  // The first option added is selected.
  virtual void addOption(const std::string& id, const std::string& name);
  // Renames option `index` (or adds it when index is the count).
  virtual void setOption(const std::string& name, int32_t index);
  // The selected option's name; empty with none.
  virtual std::string getSelectedValue();
  // Selects the first option with that name; false when there is none.
  virtual bool setSelectedValue(const std::string& name);
  virtual std::string getSelectedId();
  virtual int32_t getSelectedIndex() const { return mIndex; }
  // Selects by index (without reporting); out of range is refused.
  virtual bool setSelectedIndex(int32_t index);

  int32_t getOptionCount() const { return static_cast<int32_t>(mContext->getOptionCount()); }
  Context* getMenu() const { return mContext; }
  // Whether its menu is the one open.
  bool isOpen();

  int32_t mIndex;     // selected option, -1 for none
  Context* mContext;  // owned: the options as a menu
};

}  // namespace tessel
}  // namespace zelkor
