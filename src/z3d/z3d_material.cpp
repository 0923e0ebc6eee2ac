#include "z3d_material.h"

#include <cstdio>
#include <memory>

#include "z3d_chunks.h"
#include "z3d_image.h"
#include "zlk_system.h"

namespace zelkor {
namespace z3d {

namespace {

void writeFlag(WriteBuffer& buffer, uint16_t id, bool flag) {
  buffer.openChunk(id);
  buffer.write(static_cast<uint8_t>(flag ? 1 : 0));
  buffer.closeChunk();
}

void writeStringChunk(WriteBuffer& buffer, uint16_t id, const std::string& value) {
  buffer.openChunk(id);
  writeValueString(buffer, value);
  buffer.closeChunk();
}

}  // namespace

// --- Texture

void Texture::loadChunk(ReadBuffer& buffer) {
  loadValueString(buffer, mName);
  while (const uint16_t id = buffer.openChunk()) {
    if (id == MATERIAL_TEXTURE_WRAPPING_MODE) {
      uint8_t mode;
      if (buffer.read(mode)) mWrappingMode = mode;
    } else if (id == IMAGE_REFERENCE) {
      loadValueString(buffer, mImageRef);
    } else {
      std::printf("Unknown chunk with ID=0x%X\n", id);
    }
    buffer.closeChunk();
  }
}

void Texture::writeChunk(WriteBuffer& buffer) const {
  if (mWrappingMode < 0 || mWrappingMode > 255)
    throw Exception("Texture '%s': wrapping mode %d does not fit in a byte", mName.c_str(), mWrappingMode);
  buffer.openChunk(TEXTURE);
  writeValueString(buffer, mName);
  writeStringChunk(buffer, IMAGE_REFERENCE, mImageRef);
  buffer.openChunk(MATERIAL_TEXTURE_WRAPPING_MODE);
  buffer.write(static_cast<uint8_t>(mWrappingMode));
  buffer.closeChunk();
  buffer.closeChunk();
}

// --- Image

void Image::loadChunk(ReadBuffer& buffer) {
  loadValueString(buffer, mName);
  while (const uint16_t id = buffer.openChunk()) {
    if (id == FILENAME) loadValueString(buffer, mFilename);
    else std::printf("Unknown chunk with ID=0x%X\n", id);
    buffer.closeChunk();
  }
}

void Image::writeChunk(WriteBuffer& buffer) const {
  buffer.openChunk(IMAGE);
  writeValueString(buffer, mName);
  writeStringChunk(buffer, FILENAME, mFilename);
  buffer.closeChunk();
}

// --- Material::Attribute

Material::Attribute::~Attribute() {
  for (Texture* t : mTextures) delete t;
}

void Material::Attribute::loadChunk(ReadBuffer& buffer) {
  loadValueString(buffer, mName);
  while (const uint16_t id = buffer.openChunk()) {
    if (id == TEXTURE) {
      std::unique_ptr<Texture> texture(new Texture);
      texture->loadChunk(buffer);
      mTextures.push_back(texture.release());
    } else if (id == VECTOR4) {
      for (int i = 0; i < 4; ++i) {
        if (!buffer.read(mValue[i])) break;
      }
    } else {
      ZLK_LOG("warning", "z3d", "material-attribute: Unknown chunk with ID=0x%X\n", id);
    }
    buffer.closeChunk();
  }
}

void Material::Attribute::writeChunk(WriteBuffer& buffer) const {
  buffer.openChunk(MATERIAL_ATTRIBUTE);
  writeValueString(buffer, mName);
  buffer.openChunk(VECTOR4);
  writeValue(buffer, mValue);
  buffer.closeChunk();
  for (const Texture* t : mTextures) t->writeChunk(buffer);
  buffer.closeChunk();
}

// --- Material

void Material::clear() {
  for (Attribute* a : mAttributes) delete a;
  mAttributes.clear();
  mName.clear();
  mShadeless = false;
  mShadows = true;
}

void Material::loadChunk(ReadBuffer& buffer) {
  loadValueString(buffer, mName);
  while (const uint16_t id = buffer.openChunk()) {
    uint8_t flag;
    switch (id) {
      case MATERIAL_SHADELESS:
        if (buffer.read(flag)) mShadeless = flag == 1;
        break;
      case MATERIAL_RECIEVE_SHADOWS:
        if (buffer.read(flag)) mShadows = flag == 1;
        break;
      case MATERIAL_ATTRIBUTE: {
        std::unique_ptr<Attribute> attribute(new Attribute);
        attribute->loadChunk(buffer);
        mAttributes.push_back(attribute.release());
        break;
      }
      default:
        ZLK_LOG("warning", "z3d", "Material:Unknown chunk with ID=0x%X\n", id);
        break;
    }
    buffer.closeChunk();
  }
}

void Material::writeChunk(WriteBuffer& buffer) const {
  buffer.openChunk(MATERIAL);
  writeValueString(buffer, mName);
  writeFlag(buffer, MATERIAL_SHADELESS, mShadeless);
  writeFlag(buffer, MATERIAL_RECIEVE_SHADOWS, mShadows);
  for (const Attribute* a : mAttributes) a->writeChunk(buffer);
  buffer.closeChunk();
}

}  // namespace z3d
}  // namespace zelkor
