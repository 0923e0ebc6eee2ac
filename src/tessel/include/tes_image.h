#pragma once
// Shows a picture, stretched over the control: an image file loaded through
// the display as a texture the control owns, or a texture given to it.

#include <string>

#include "tes_control.h"

namespace zelkor {
namespace display {
class Texture;
}

namespace tessel {

class Image : public Control {
 public:
  Image();
  ~Image() override;
  Control* clone() const override { return new Image; }
  // Base attributes, then "filename": the picture, read through the
  // display's archives. One that cannot be read is logged with its name and
  // shown as a crossed box.
  void load(xml::IteratorConst& it) override;
  void draw(Area area, Area base, Area clip) override;

  // ---- appended
  // Shows a texture owned by the caller (null: nothing); releases an own one.
  virtual void setTexture(display::Texture* texture);

  // Loads a picture as an own texture; false (logged) when it cannot be read.
  bool loadFile(const std::string& filename);
  display::Texture* getTexture() const { return mTexture; }
  bool getLoaded() const { return mLoaded; }
  const std::string& getFilename() const { return mFilename; }

  display::Texture* mTexture;
  bool mOwnTexture;
  bool mLoaded;
  std::string mFilename;

 private:
  void release();
};

}  // namespace tessel
}  // namespace zelkor
