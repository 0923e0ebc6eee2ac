#pragma once
// The editor's time ruler: a band of ticks and labels over a content frame
// (the timeline body), with marker lines for two positions and the mouse.
// Pixels along x map to time by the scale. When the ruler is taller than
// what shows of it (scrolled), the band stays at the top of the visible part
// over the content. An optional beat grid adds bar lines and beat ticks.

#include "tes_frame.h"
#include "tes_innercontent.h"

namespace zelkor {
namespace tessel {

class Ruler : public InnerContent<Frame> {
 public:
  Ruler();
  Control* clone() const override { return new Ruler; }
  // The ruler's colours apply to its content frame too.
  void loadStyle(xml::IteratorConst& it) override;
  using Control::loadStyle;
  // Children go into the content frame, appended.
  void addControl(Control* control, int32_t index) override;
  // The content frame fills the ruler below the tick band.
  void setArea() override;
  using Control::setArea;
  // Base routing, then a move keeps the mouse's x (kept in world space, so
  // that it stays under the mouse when the ruler scrolls).
  int handleEvent(Event& event) override;
  void draw(Area area, Area base, Area clip) override;

  // ---- appended
  virtual void setScale(float scale) { mScale = scale; }
  virtual void setInterval(float interval) { mInterval = interval; }
  virtual void setSubIntervals(float subIntervals) { mSubIntervals = subIntervals; }
  // x of the first marker line (the start mark); -1 hides it.
  virtual void setShadow(float x) { mShadowX = x; }
  // x of the second marker line (the play head); -1 hides it.
  virtual void setShadow2(float x) { mShadowX2 = x; }

  Frame* getFrame() const { return mFrame; }
  float getScale() const { return mScale; }
  float getInterval() const { return mInterval; }
  float getSubIntervals() const { return mSubIntervals; }
  float getBandHeight() const { return mHeight; }
  void setBandHeight(float height);
  // Beats `beatWidth` pixels apart, `beatsPerBar` to a bar; a width <= 0
  // removes the grid.
  void setBeatGrid(float beatWidth, int beatsPerBar);
  float getBeatWidth() const { return mBeatWidth; }
  // The top of the band as last drawn, in world space.
  float getBandTop() const { return mBandTop; }
  // The mouse's x in the ruler, also after the ruler scrolled under it.
  float getMouseX();
  float getShadow() const { return mShadowX; }
  float getShadow2() const { return mShadowX2; }
  // The opacity of the label at `x` (1 with the mouse away from the ruler).
  float labelAlpha(float x) const;
  // The text of the label at `x`.
  std::string labelText(float x) const;

  Frame* mFrame;
  float mScale;         // time units per pixel
  float mInterval;      // time units between labelled ticks
  float mSubIntervals;  // small ticks per labelled interval
  float mHeight;        // height of the tick band
  float mX;             // the mouse's x inside the ruler
  float mShadowX;
  float mShadowX2;
  float mMouseWorldX;  // where the mouse was last seen, in world space
  bool mMouseSeen;
  float mBeatWidth;  // pixels per beat, 0 without a grid
  int mBeatsPerBar;
  float mBandTop;    // world y of the band as last drawn

 protected:
  Control* content() override { return mFrame; }

 private:
  void drawBeatGrid(Render& render, const Area& area, const Area& band, float from, float to);
};

}  // namespace tessel
}  // namespace zelkor
