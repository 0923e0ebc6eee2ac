#pragma once
// Surface settings with named attributes; attributes carry a colour-like value
// and textures, and a texture names an image of the same manager.

#include <string>
#include <vector>

#include "z3d_values.h"

namespace zelkor {
namespace z3d {

class Texture {
 public:
  Texture() : mWrappingMode(0) {}
  void loadChunk(ReadBuffer& buffer);
  // Throws when the wrapping mode does not fit the file's one byte.
  void writeChunk(WriteBuffer& buffer) const;
  void clear() {
    mName.clear();
    mImageRef.clear();
    mWrappingMode = 0;
  }
  const std::string& getName() const { return mName; }
  void setName(const std::string& name) { mName = name; }
  const std::string& getImageReference() const { return mImageRef; }
  void setImageReference(const std::string& image) { mImageRef = image; }
  int getWrappingMode() const { return mWrappingMode; }
  void setWrappingMode(int mode) { mWrappingMode = mode; }

 private:
  std::string mName;
  std::string mImageRef;
  int mWrappingMode;
};

class Material {
 public:
  class Attribute {
   public:
    Attribute() {}
    ~Attribute();
    Attribute(const Attribute&) = delete;
    Attribute& operator=(const Attribute&) = delete;

    void loadChunk(ReadBuffer& buffer);
    void writeChunk(WriteBuffer& buffer) const;
    const std::string& getName() const { return mName; }
    void setName(const std::string& name) { mName = name; }
    const mathbase::Vector4f& getValue() const { return mValue; }
    void setValue(const mathbase::Vector4f& value) { mValue = value; }
    int getNumTextures() const { return static_cast<int>(mTextures.size()); }
    Texture* getTexture(int i) { return mTextures[i]; }
    const Texture* getTexture(int i) const { return mTextures[i]; }
    void addTexture(Texture* texture) { mTextures.push_back(texture); }  // takes ownership

   private:
    std::string mName;
    mathbase::Vector4f mValue;
    std::vector<Texture*> mTextures;
  };

  Material() : mShadeless(false), mShadows(true) {}
  ~Material() { clear(); }
  Material(const Material&) = delete;
  Material& operator=(const Material&) = delete;

  void loadChunk(ReadBuffer& buffer);
  void writeChunk(WriteBuffer& buffer) const;
  void clear();

  const std::string& getName() const { return mName; }
  void setName(const std::string& name) { mName = name; }
  int getNumAttributes() const { return static_cast<int>(mAttributes.size()); }
  Attribute* getAttribute(int i) { return mAttributes[i]; }
  const Attribute* getAttribute(int i) const { return mAttributes[i]; }
  void addAttribute(Attribute* attribute) { mAttributes.push_back(attribute); }  // takes ownership
  bool isShadeless() const { return mShadeless; }
  void setShadeless(bool shadeless) { mShadeless = shadeless; }
  bool isRecieveShadows() const { return mShadows; }
  void setRecieveShadows(bool shadows) { mShadows = shadows; }

 private:
  std::vector<Attribute*> mAttributes;
  std::string mName;
  bool mShadeless;
  bool mShadows;
};

}  // namespace z3d
}  // namespace zelkor
