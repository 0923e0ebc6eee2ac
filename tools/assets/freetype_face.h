#pragma once
// A FreeType library with one face at a fixed pixel size, for the generators
// that render text; both are released together.

#include <ft2build.h>
#include FT_FREETYPE_H

#include "zlk_system.h"

namespace kindra_assets {

class FreeTypeFace {
 public:
  FreeTypeFace(const char* path, int pixelSize) {
    if (FT_Init_FreeType(&mLibrary) != 0) throw zelkor::Exception("FreeType could not start");
    if (FT_New_Face(mLibrary, path, 0, &mFace) != 0) {
      FT_Done_FreeType(mLibrary);
      throw zelkor::Exception("Could not read the font '%s' (package fonts-dejavu-core)", path);
    }
    if (FT_Set_Pixel_Sizes(mFace, 0, pixelSize) != 0) {
      FT_Done_Face(mFace);
      FT_Done_FreeType(mLibrary);
      throw zelkor::Exception("The font '%s' has no %d-pixel size", path, pixelSize);
    }
  }
  ~FreeTypeFace() {
    FT_Done_Face(mFace);
    FT_Done_FreeType(mLibrary);
  }
  FreeTypeFace(const FreeTypeFace&) = delete;
  FreeTypeFace& operator=(const FreeTypeFace&) = delete;

  FT_Face get() const { return mFace; }

 private:
  FT_Library mLibrary = nullptr;
  FT_Face mFace = nullptr;
};

}  // namespace kindra_assets
