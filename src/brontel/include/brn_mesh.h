#pragma once
// A scene mesh on the GPU: one vertex buffer and one index buffer on the
// display device, drawn whole or one submesh at a time. The vertex layout is
// the caller's: the loader fills the attributes of the definition it knows by
// name (after a prefix), so one scene mesh can feed different shaders.

#include <string>
#include <vector>

#include "dis_display.h"
#include "dis_vertexdef.h"
#include "z3d_mesh.h"

namespace zelkor {
namespace brontel {

class Mesh {
 public:
  // The index range of one submesh of the scene mesh. A submesh without
  // triangles keeps its record (all zeros, DRAW_NONE) so numbers match.
  struct Submesh {
    int firstIndex;
    int numIndices;
    int firstVertex;
    int numVertices;
    display::DisplayGL::DrawMode mode;
  };

  Mesh();
  // Releases the buffers; a mesh must go before the device that made them.
  ~Mesh();
  Mesh(const Mesh&) = delete;
  Mesh& operator=(const Mesh&) = delete;

  // Builds the buffers of `mesh` in the layout `vertexDef` (which must
  // outlive this mesh). Filled, when present with the right component count
  // and type, are prefix + "position" (3 floats, required), "normal"
  // (3 floats), "uv0" (2 floats), "tangent0" and "bitangent0" (3 floats; from
  // the first UV list when it has one entry per vertex), and with
  // `boneVertices` (one per position) "bone_index" (4 one-byte values) and
  // "bone_weight" (4 floats: the first three weights and 0); the last
  // matching attribute of a name wins. A mesh without vertices or triangles
  // loads as an empty mesh. Indices outside the mesh's lists throw, and so
  // does a definition without a position (assertion "positionIndex!=-1");
  // the mesh then keeps what it held before.
  void load(display::DisplayGL* display, const z3d::Mesh* mesh, const display::VertexDef* vertexDef,
            const std::string& attributePrefix, const z3d::BoneVertex* boneVertices);

  int getNumMeshes() const { return static_cast<int>(mMeshes.size()); }
  const Submesh& getSubmesh(int index) const;
  // Null while nothing is loaded.
  display::VBO* getVBO() const { return mVBO; }
  display::IBO* getIBO() const { return mIBO; }

  // Binds the buffers on their device and draws the submesh's indices;
  // nothing for DRAW_NONE or an empty submesh. Shader, textures and matrices
  // are the caller's.
  void drawSubmesh(int index, display::DisplayGL::DrawMode mode);
  void drawSubmesh(int index);
  void draw();

 private:
  void release();

  std::vector<Submesh> mMeshes;
  display::VBO* mVBO;
  display::IBO* mIBO;
};

}  // namespace brontel
}  // namespace zelkor
