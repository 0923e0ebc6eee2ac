#pragma once
// The tower's cubes in one buffer: each cube's vertices are placed in the
// world on the processor, with the cube's colour, so that a pass draws every
// cube with one call and no per-cube uniforms. The buffer is filled again
// only when a cube moved or the count changed, so a frame's shadow and
// colour passes share one fill, and a still tower none.

#include <cstdint>
#include <utility>
#include <vector>

#include "dis_display.h"
#include "dis_resource.h"
#include "dis_vertexdef.h"
#include "mb_vector3.h"

class TowerBatch {
 public:
  // What one cube is drawn with.
  struct Cube {
    zelkor::mathbase::Vector3f pos;
    zelkor::mathbase::Vector3f rot;  // Euler angles, order XYZ
    float size;
    zelkor::mathbase::Vector3f color;
  };

  TowerBatch();
  ~TowerBatch();
  TowerBatch(const TowerBatch&) = delete;
  TowerBatch& operator=(const TowerBatch&) = delete;

  // The cube's geometry in its own frame: six floats a vertex (position,
  // normal) and triangle indices, and the most cubes ever drawn at once.
  // Creates the buffers and the definition the programs are built for.
  void create(zelkor::display::DisplayGL* display, const std::vector<float>& vertices,
              const std::vector<uint32_t>& indices, int maxCubes);
  bool isReady() const { return mVBO != nullptr; }
  // "va_position", "va_normal", "va_color" (three floats each).
  zelkor::display::VertexDef* getVertexDef() { return &mDef; }

  // The cubes to draw now; fills the buffer when they differ from the last.
  void set(const std::vector<Cube>& cubes);
  // Draws the cubes set, with the bound program and an identity model
  // transform, nearest to `eye` first: the depth test then turns away most
  // hidden pixels before their program runs (the same picture: order only
  // matters between exactly equal depths).
  void draw(const zelkor::mathbase::Vector3f& eye);

 private:
  zelkor::display::DisplayGL* mDisplay;
  zelkor::display::VertexDef mDef;
  std::vector<float> mVertices;
  std::vector<uint32_t> mIndices;
  int mMaxCubes;
  zelkor::display::VBO* mVBO;
  zelkor::display::IBO* mIBO;
  std::vector<Cube> mFilled;
  std::vector<std::pair<float, uint32_t>> mOrder;  // distance, cube
  std::vector<uint32_t> mSorted;                  // indices in that order
};
