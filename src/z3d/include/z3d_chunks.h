#pragma once
// Chunk identifiers of the scene file and its header settings.

#include <cstdint>

namespace zelkor {
namespace z3d {

enum CHUNKS : uint16_t {
  MAIN = 0x1000,
  MESH = 0x2000,
  SUBMESH = 0x2200,
  CURVE = 0x2900,
  CURVE_SPEED = 0x2910,
  IMAGE = 0x4000,
  SCENE = 0x5000,
  CAMERA = 0x5110,
  MESH_INSTANCE = 0x5120,
  DUMMY = 0x5130,
  LIGHT = 0x5140,
  LIGHT_DISTANCE = 0x5150,
  LIGHT_CAST_SHADOWS = 0x5151,
  LIGHT_ENERGY = 0x5160,
  ARMATURE = 0x5180,
  ARMATURE_BONE = 0x5190,
  MATERIAL = 0x6000,
  MATERIAL_ATTRIBUTE = 0x6100,
  MATERIAL_SHADELESS = 0x6101,
  MATERIAL_RECIEVE_SHADOWS = 0x6111,
  MATERIAL_LIST = 0x6200,  // reserved
  MATERIAL_ID_AND_REFERENCE = 0x6210,
  TEXTURE = 0x7000,
  MATERIAL_TEXTURE_WRAPPING_MODE = 0x7001,
  FLOAT = 0xF004,
  VECTOR3 = 0xF006,
  VECTOR4 = 0xF007,
  FILENAME = 0xF020,
  BOUNDING_BOX = 0xF020,  // reserved, shares the value of FILENAME
  IMAGE_REFERENCE = 0xF030,
  POSITION = 0xFA00,
  ROTATION_EULER = 0xFA10,
  ROTATION_EULER_ORDER = 0xFA11,  // reserved
  SCALE = 0xFA20,
  COLOR = 0xFA30,
  FOV = 0xFA40,
  ROTATION_QUAT = 0xFA50,
  TRACK_BLENDERFLOAT_W = 0xFB00,
  TRACK_BLENDERFLOAT_X = 0xFB10,
  TRACK_BLENDERFLOAT_Y = 0xFB20,
  TRACK_BLENDERFLOAT_Z = 0xFB30,
  VERTEX_LIST = 0xFF00,
  UV_LIST = 0xFF10,
  POSITION_LIST = 0xFF20,
  TRIANGLE_LIST = 0xFF30,
  BONEGROUP = 0xFF40
};

// Header of a scene file; typed value chunks carry no length field.
static const char* const FILE_FORMAT = "Z3DF";
enum : uint8_t { FILE_MAJOR = 1, FILE_MINOR = 1 };
enum : uint32_t { FILE_FLAGS = 1 };

}  // namespace z3d
}  // namespace zelkor
