#pragma once
// The camera plugin: a camera path of an effect, position and orientation
// key-framed over the effect's duration (key times are fractions of it),
// edited as a row of key markers and flown with a game pad.

#include "dis_clock.h"
#include "dis_display.h"
#include "kin_effect.h"
#include "mb_matrix4x4col.h"
#include "mb_quatf.h"
#include "mb_splinebase.h"
#include "mb_vector2.h"
#include "mb_vector3.h"
#include "tes_callback.h"
#include "tes_context.h"
#include "tes_control.h"

namespace zelkor {
namespace kindra {

class Camera : public PluginBase, public tessel::Control, public tessel::Callback {
 public:
  typedef mathbase::SplineBasef Curve;
  // Curves 0-6: position, then the orientation quaternion's x, y, z, w.
  enum { ePosX = 0, ePosY, ePosZ, eQuatX, eQuatY, eQuatZ, eQuatW, eUsed, eCurves = 10 };

  Camera();
  ~Camera() override;

  tessel::Control* clone() const override { return nullptr; }
  void controlAction(tessel::Control*, tessel::Action) override {}
  // The pose of the last getMatrix/getInverseMatrix or game-pad flight; the
  // argument is not used.
  virtual mathbase::Vector3f getPos(float pTime);
  // A point one unit ahead of the camera (its -z axis).
  virtual mathbase::Vector3f getLook(float pTime);
  // Always 0.
  virtual float getRoll(float pTime);
  bool acceptEvents(tessel::Event& event) override;
  int handleEvent(tessel::Event& event) override;
  void draw(tessel::Area area, tessel::Area base, tessel::Area clip) override;

  // Moves the camera onto its path at the effect's local time (unless it
  // flies freely) and returns the view matrix, world to camera.
  mathbase::Matrix4x4Col getMatrix(float pTime);
  // The same, returning camera to world.
  mathbase::Matrix4x4Col getInverseMatrix(float pTime);

  tessel::Control* getControl() override { return this; }
  // Adds one key per "key" child ("time", "v0" ... "v6") to curves 0-6.
  void clearPayload() override;
  void load(xml::IteratorConst& it) override;
  void save(xml::Iterator& it) override;
  // Picks the game pad, sizes the editor and keeps the keys in seconds.
  void setupControl(float pWidth, float oldWidth) override;
  // Game-pad flight while the editor has its parent's focus.
  void update(float pTime) override;

  // A key at normalised time u with the current pose, in every curve.
  int addKey(float u);
  void removeKey(int index);
  int getNumKeys() const { return mSpline[0].getNumKeys(); }
  // The last key whose marker starts at or before the time of the last
  // update, or -1.
  int findCurrentKey() const;

  Curve mSpline[eCurves];
  unsigned char mLastButton[display::GAMEPAD_BUTTONS];
  int mHighlight;     // key under the pointer, or -1
  int mCurHighlight;  // last key at or before the current time, or -1
  bool mPushed;
  mathbase::Vector2f mPushedPos;
  bool mFreeView;  // the path is ignored; the pad flies the camera
  mathbase::Vector3f mCurPos;
  mathbase::Quatf mCurLook;
  float mCurRoll;
  display::Clock mClock;
  float mLastTime;
  int mPadIndex;
  float mTime;
  tessel::Context mContext;  // "delete", "delete this and forward"

 protected:
  // Seconds of wall time for the flight's steps.
  virtual float wallTime();

 private:
  void poseAt(float pTime);
  Curve* mCurve[eUsed];
};

}  // namespace kindra
}  // namespace zelkor
