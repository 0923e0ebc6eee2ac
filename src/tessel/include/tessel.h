#pragma once
// The toolkit object an application creates on a display: it listens to the
// display's input and drawing, turns input into toolkit events for the
// workspace and draws the control tree over the frame.

#include <string>

#include "dis_listener.h"
#include "mb_matrix4x4col.h"
#include "mb_vector2.h"
#include "tes_control_factory.h"
#include "tes_typedef.h"

namespace zelkor {
namespace tessel {

class Control;
class Workspace;

class Tessel : public display::Listener {
 public:
  // Registers as a listener of the display, sizes the workspace to its
  // window and registers the standard widgets.
  explicit Tessel(display::DisplayGL* pDisplay);
  ~Tessel() override;

  // Input handlers return BLOCK when a control used the event.
  int onMouseUp(const display::MouseButtonEvent& event) override;
  int onMouseDown(const display::MouseButtonEvent& event) override;
  int onMouseMove(const display::MouseMoveEvent& event) override;
  int onMouseWheel(const display::MouseMoveEvent& event) override;
  int onKeyDown(const display::KeyEvent& event) override;
  int onKeyUp(const display::KeyEvent& event) override;
  int onCharDown(const display::CharEvent& event) override;
  int onCharUp(const display::CharEvent& event) override;
  void onDraw() override;
  // The workspace takes the display's new window size.
  void onResize(int oldWidth, int oldHeight) override;

  void addControl(Control* control);
  // Builds the tree from a layout file read through the display's archives.
  // A missing file throws; a root other than "tessel" loads nothing.
  void load(const std::string& name);
  Control* findControl(const std::string& id);
  // The window size.
  mathbase::Vector2f getSize() const;
  // World position = window position + pan.
  void convertMousePos(Event& event) const;

  Workspace* getWorkspace() const { return mWorkspace; }
  void setPanOn(bool on) { mPanOn = on; }
  bool getPanOn() const { return mPanOn; }
  const mathbase::Vector2f& getPan() const { return mPan; }
  void setPan(const mathbase::Vector2f& pan) { mPan = pan; }

  Workspace* mWorkspace;
  ControlFactory mControlFactory;
  bool mPanOn;
  mathbase::Vector2f mPan;
  float mZoom;
  float mZoom_w;
  float mZoom_h;
  mathbase::Matrix4x4Col mCamera;

 private:
  // Fills the toolkit event from a display event, converts the position,
  // marks the display dirty and hands the event to the workspace.
  int dispatch(Event& event, const display::Event& source, const char* type);
  void loadStyleFile(const std::string& name);

  mathbase::Vector2f mLastMouse;
  bool mHasLastMouse;
};

}  // namespace tessel
}  // namespace zelkor
