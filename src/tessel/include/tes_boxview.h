#pragma once
// A canvas holding node boxes and the links between their connectors.

#include <vector>

#include "mb_vector2.h"
#include "tes_box.h"
#include "tes_control.h"

namespace zelkor {
namespace tessel {

class BoxView : public Control {
 public:
  struct Link {
    Box* from;
    int output;
    Box* to;
    int input;
  };

  BoxView();
  Control* clone() const override { return new BoxView; }
  void draw(Area area, Area base, Area clip) override;
  // Links of a box that left the view go with it.
  void childRemoved(uint32_t index) override;

  // ---- appended
  // The connector being dragged (null: none).
  virtual void setConnect(BoxConnector* connector);
  virtual BoxConnector* getConnect() const { return mConnect; }

  // Starts dragging a link from `box`'s output `output`.
  void beginConnect(Box* box, int output, const mathbase::Vector2f& world);
  void moveConnect(const mathbase::Vector2f& world) { mConnectPos = world; }
  // Ends the drag: over a fitting input of another box the two are linked.
  // True when a link was made.
  bool finishConnect(const mathbase::Vector2f& world);
  // Links an output to an input (replacing what fed that input); false when
  // they do not fit (other type, same box, no such connector).
  bool connect(Box* from, int output, Box* to, int input);
  void disconnectInput(Box* box, int input);
  void disconnectOutput(Box* box, int output);
  const std::vector<Link>& getLinks() const { return mLinks; }
  Box* getConnectBox() const { return mConnectBox; }

  BoxConnector* mConnect;
  Box* mConnectBox;
  int mConnectIndex;
  mathbase::Vector2f mConnectPos;
  std::vector<Link> mLinks;

 private:
  bool isBox(Box* box) const;
};

}  // namespace tessel
}  // namespace zelkor
