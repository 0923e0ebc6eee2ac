#include "brn_mesh.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>

#include "dis_glinclude.h"
#include "zlk_system.h"

namespace zelkor {
namespace brontel {

using display::DisplayGL;
using display::IBO;
using display::VBO;
using display::VertexAttribute;
using display::VertexDef;

namespace {

// Gives a buffer back to its device unless ownership moved on.
struct DestroyResource {
  void operator()(display::Resource* resource) const { resource->destroy(); }
};
using VboHolder = std::unique_ptr<VBO, DestroyResource>;
using IboHolder = std::unique_ptr<IBO, DestroyResource>;

// Byte offsets of the attributes the loader fills; -1 for absent ones.
struct Layout {
  int position = -1;
  int normal = -1;
  int uv = -1;
  int tangent = -1;
  int bitangent = -1;
  int boneIndex = -1;
  int boneWeight = -1;
};

// The offset of the last attribute called `name` with `components`
// components of floats (or of single bytes), or -1. Floats are written into
// the attribute as they are, so an attribute of another type is left alone
// rather than overrun.
int findAttribute(const VertexDef* def, const std::string& name, int components, bool bytes) {
  int found = -1;
  for (const VertexAttribute& a : def->getAttributes()) {
    if (a.name != name || a.numElements != components) continue;
    const bool typeFits = bytes ? (a.type == display::TYPE_UBYTE || a.type == display::TYPE_BYTE)
                                : a.type == display::TYPE_FLOAT;
    if (!typeFits) {
      ZLK_LOG("warning", "display", "Mesh: attribute '%s' holds %s components, not %s; it is not filled", a.name.c_str(),
              display::getVariableTypeName(a.type), bytes ? "bytes" : "floats");
      continue;
    }
    const int size = components * (bytes ? 1 : 4);
    if (a.offset < 0 || a.offset > def->getVertexSize() - size) {
      throw Exception("brontel::Mesh; attribute '%s' at byte %d does not fit in a vertex of %d bytes", a.name.c_str(),
                      a.offset, def->getVertexSize());
    }
    found = a.offset;
  }
  return found;
}

// Every index the buffers will be built from must lie inside its list: an
// index past the vertex count would make the GPU read outside the vertex
// buffer, and a position index outside the positions would read outside the
// scene mesh. Scene files are mended when they load; meshes built in memory
// are not, so this is where they are caught.
void checkIndices(const z3d::Mesh* mesh) {
  const z3d::VertexList& vertices = mesh->getVertices();
  const int numVertices = vertices.size();
  const int numPositions = mesh->getPositions().size();
  for (int i = 0; i < numVertices; ++i) {
    const int p = vertices[i].posIndex;
    if (p < 0 || p >= numPositions) {
      throw Exception("brontel::Mesh; mesh '%s': vertex %d uses position %d, but the mesh has %d positions",
                      mesh->getName().c_str(), i, p, numPositions);
    }
  }
  for (int s = 0; s < mesh->getNumSubmesh(); ++s) {
    const z3d::TriangleList& triangles = mesh->getSubmesh(s)->getTriangles();
    for (int t = 0; t < triangles.size(); ++t) {
      for (int k = 0; k < 3; ++k) {
        const int v = triangles[t].v[k];
        if (v < 0 || v >= numVertices) {
          throw Exception("brontel::Mesh; mesh '%s', submesh %d: triangle %d uses vertex %d, but the mesh has %d vertices",
                          mesh->getName().c_str(), s, t, v, numVertices);
        }
      }
    }
  }
}

// Bone indices are stored as single bytes; a larger one would name another bone.
void checkBoneIndices(const z3d::Mesh* mesh, const z3d::BoneVertex* boneVertices) {
  const z3d::VertexList& vertices = mesh->getVertices();
  for (int i = 0; i < vertices.size(); ++i) {
    const z3d::BoneVertex& bone = boneVertices[vertices[i].posIndex];
    for (int k = 0; k < 4; ++k) {
      if (bone.index[k] < 0 || bone.index[k] > 255) {
        throw Exception("brontel::Mesh; mesh '%s': bone index %d of position %d does not fit in a byte",
                        mesh->getName().c_str(), bone.index[k], vertices[i].posIndex);
      }
    }
  }
}

void putFloats(unsigned char* out, const float* values, int count) { std::memcpy(out, values, sizeof(float) * count); }

void put2(unsigned char* out, const mathbase::Vector2f& v) {
  const float values[2] = {v.x, v.y};
  putFloats(out, values, 2);
}

void put3(unsigned char* out, const mathbase::Vector3f& v) {
  const float values[3] = {v.x, v.y, v.z};
  putFloats(out, values, 3);
}

}  // namespace

Mesh::Mesh() : mVBO(nullptr), mIBO(nullptr) {}

Mesh::~Mesh() { release(); }

void Mesh::release() {
  mMeshes.clear();
  if (mVBO) mVBO->destroy();
  if (mIBO) mIBO->destroy();
  mVBO = nullptr;
  mIBO = nullptr;
}

const Mesh::Submesh& Mesh::getSubmesh(int index) const {
  DIS_ASSERT(index >= 0 && index < getNumMeshes());
  return mMeshes[index];
}

void Mesh::load(DisplayGL* display, const z3d::Mesh* mesh, const VertexDef* vertexDef,
                const std::string& attributePrefix, const z3d::BoneVertex* boneVertices) {
  DIS_ASSERT(display);
  DIS_ASSERT(mesh);
  DIS_ASSERT(vertexDef);

  // Index ranges: all submeshes share the whole vertex range.
  const int numVertices = mesh->getVertices().size();
  std::vector<Submesh> records;
  int64_t numIndices = 0;
  for (int i = 0; i < mesh->getNumSubmesh(); ++i) {
    const int64_t count = 3 * static_cast<int64_t>(mesh->getSubmesh(i)->getTriangles().size());
    if (numIndices + count > INT_MAX) {
      throw Exception("brontel::Mesh; mesh '%s' has more indices than one index buffer holds", mesh->getName().c_str());
    }
    if (count > 0) {
      records.push_back(Submesh{static_cast<int>(numIndices), static_cast<int>(count), 0, numVertices,
                                DisplayGL::DRAW_TRIANGLES});
    } else {
      records.push_back(Submesh{0, 0, 0, 0, DisplayGL::DRAW_NONE});
    }
    numIndices += count;
  }
  if (numVertices == 0 || numIndices == 0) {
    release();
    return;
  }

  // Everything that can fail is checked before a buffer exists.
  checkIndices(mesh);
  Layout layout;
  const int positionIndex = findAttribute(vertexDef, attributePrefix + "position", 3, false);
  DIS_ASSERT(positionIndex!=-1);
  layout.position = positionIndex;
  layout.normal = findAttribute(vertexDef, attributePrefix + "normal", 3, false);
  layout.uv = findAttribute(vertexDef, attributePrefix + "uv0", 2, false);
  layout.tangent = findAttribute(vertexDef, attributePrefix + "tangent0", 3, false);
  layout.bitangent = findAttribute(vertexDef, attributePrefix + "bitangent0", 3, false);
  if (boneVertices) {
    layout.boneIndex = findAttribute(vertexDef, attributePrefix + "bone_index", 4, true);
    layout.boneWeight = findAttribute(vertexDef, attributePrefix + "bone_weight", 4, false);
    if (layout.boneIndex != -1) checkBoneIndices(mesh, boneVertices);
  }
  // Texture coordinates and tangent frames come from the first UV list when
  // it has one entry per vertex; otherwise they stay zero.
  const z3d::UVList* uvList = nullptr;
  if (layout.uv != -1 || layout.tangent != -1 || layout.bitangent != -1) {
    if (mesh->getNumUV() > 0 && mesh->getUV(0)->size() == numVertices) {
      uvList = mesh->getUV(0);
    } else if (mesh->getNumUV() > 0) {
      ZLK_LOG("warning", "display", "Mesh '%s': UV list '%s' has %d entries for %d vertices; texture coordinates stay zero",
              mesh->getName().c_str(), mesh->getUV(0)->getName().c_str(), mesh->getUV(0)->size(), numVertices);
    }
  }

  const IBO::Format format =
      numVertices < 256 ? IBO::FORMAT_UINT8 : (numVertices < 65536 ? IBO::FORMAT_UINT16 : IBO::FORMAT_UINT32);
  VboHolder vbo(display->createVBO(numVertices, vertexDef, DisplayGL::MODE_STATIC));
  IboHolder ibo(display->createIBO(static_cast<int>(numIndices), format, DisplayGL::MODE_STATIC));

  std::vector<uint32_t> indices;
  for (size_t i = 0; i < records.size(); ++i) {
    const Submesh& record = records[i];
    if (record.numIndices == 0) continue;
    const z3d::TriangleList& triangles = mesh->getSubmesh(static_cast<int>(i))->getTriangles();
    indices.resize(record.numIndices);
    for (int t = 0; t < triangles.size(); ++t) {
      for (int k = 0; k < 3; ++k) indices[3 * t + k] = static_cast<uint32_t>(triangles[t].v[k]);
    }
    ibo->replace(record.firstIndex, record.numIndices, indices.data(), 0, IBO::FORMAT_UINT32);
  }

  const z3d::VertexList& vertices = mesh->getVertices();
  const z3d::PositionList& positions = mesh->getPositions();
  const size_t stride = static_cast<size_t>(vertexDef->getVertexSize());
  unsigned char* memory = static_cast<unsigned char*>(vbo->lock(true, false, -1, -1));
  for (int i = 0; i < numVertices; ++i) {
    unsigned char* out = memory + static_cast<size_t>(i) * stride;
    const z3d::Vertex& vertex = vertices[i];
    put3(out + layout.position, positions[vertex.posIndex]);
    if (layout.normal != -1) put3(out + layout.normal, vertex.normal);
    if (uvList) {
      const z3d::UV& uv = (*uvList)[i];
      if (layout.uv != -1) put2(out + layout.uv, uv.uv);
      if (layout.tangent != -1) put3(out + layout.tangent, uv.tangent);
      if (layout.bitangent != -1) put3(out + layout.bitangent, uv.bitangent);
    }
    if (boneVertices) {
      const z3d::BoneVertex& bone = boneVertices[vertex.posIndex];
      if (layout.boneIndex != -1) {
        for (int k = 0; k < 4; ++k) out[layout.boneIndex + k] = static_cast<unsigned char>(bone.index[k]);
      }
      if (layout.boneWeight != -1) {
        const float weights[4] = {bone.weight[0], bone.weight[1], bone.weight[2], 0.0f};
        putFloats(out + layout.boneWeight, weights, 4);
      }
    }
  }
  vbo->unlock();

  // The previous buffers go only now, so a failed load leaves the mesh as it was.
  release();
  mMeshes.swap(records);
  mVBO = vbo.release();
  mIBO = ibo.release();
}

void Mesh::drawSubmesh(int index, DisplayGL::DrawMode mode) {
  const Submesh& submesh = getSubmesh(index);
  if (mode == DisplayGL::DRAW_NONE || submesh.numIndices == 0 || submesh.numVertices == 0) return;
  DisplayGL* display = mVBO->getDisplay();
  display->setVBO(mVBO);
  display->setIBO(mIBO);
  display->draw(mode, submesh.firstIndex, submesh.numIndices, submesh.firstVertex, submesh.numVertices);
}

void Mesh::drawSubmesh(int index) { drawSubmesh(index, getSubmesh(index).mode); }

void Mesh::draw() {
  for (int i = 0; i < getNumMeshes(); ++i) drawSubmesh(i);
}

}  // namespace brontel
}  // namespace zelkor
