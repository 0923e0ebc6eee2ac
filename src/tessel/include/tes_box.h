#pragma once
// A node box of a node graph: a title to drag it by, a body, and connectors
// (inputs on the left, outputs on the right). Dragging from an output to an
// input of another box in the same box view links them; a right click on a
// connector offers to disconnect it.

#include <string>
#include <vector>

#include "mb_vector2.h"
#include "mb_vector4.h"
#include "tes_boxframe.h"
#include "tes_context.h"
#include "tes_control.h"
#include "tes_innercontent.h"

namespace zelkor {
namespace tessel {

class BoxView;

// One connector: links join an output and an input of the same type (an
// empty type fits any).
struct BoxConnector {
  std::string mId;
  std::string mType;
  mathbase::Vector4f mColor;
};

class Box : public InnerContent<Control> {
 public:
  Box();
  ~Box() override;
  Control* clone() const override { return new Box; }
  // Base attributes, then "caption", and "input" and "output" sub-tags with
  // "id", "type" and "color" (rrggbb or rrggbbaa).
  void load(xml::IteratorConst& it) override;
  void setArea() override;
  using Control::setArea;
  int handleEvent(Event& event) override;
  void draw(Area area, Area base, Area clip) override;

  void addInput(const std::string& id, const std::string& type, const mathbase::Vector4f& color);
  void addOutput(const std::string& id, const std::string& type, const mathbase::Vector4f& color);
  const std::vector<BoxConnector>& getInputs() const { return mInput; }
  const std::vector<BoxConnector>& getOutputs() const { return mOutput; }
  // Connector centres in world space.
  mathbase::Vector2f getInputPos(size_t index);
  mathbase::Vector2f getOutputPos(size_t index);
  // The connector under a world position, or -1.
  int inputAt(const mathbase::Vector2f& world);
  int outputAt(const mathbase::Vector2f& world);
  float getTitleHeight();
  BoxFrame* getFrame() const { return mFrame; }
  BoxView* getView();

  BoxFrame* mFrame;
  Context* mContextInput;   // owned: "input" menu of an input connector
  Context* mContextOutput;  // owned: "output" menu of an output connector
  std::vector<BoxConnector> mInput;
  std::vector<BoxConnector> mOutput;
  bool mClicked;                   // dragged by the title
  mathbase::Vector2f mClickedPos;  // world position where the drag began
  mathbase::Vector2f mOldPos;      // the box's position then
  int mMenuConnector;              // the connector a menu was opened for

 protected:
  Control* content() override { return mFrame; }

 private:
  void readConnectors(xml::IteratorConst& it, const char* tag, bool input);
};

}  // namespace tessel
}  // namespace zelkor
