#include "z3d_manager.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cl_writebuffer.h"
#include "z3d_chunks.h"
#include "zlk_file.h"
#include "zlk_system.h"

namespace zelkor {
namespace z3d {

void Manager::clear() {
  for (Image* i : mImages) delete i;
  for (Mesh* m : mMeshes) delete m;
  for (Scene* s : mScenes) delete s;
  for (Material* m : mMaterials) delete m;
  mImages.clear();
  mMeshes.clear();
  mScenes.clear();
  mMaterials.clear();
  mNameImageMap.clear();
  mNameMeshMap.clear();
  mNameMaterialMap.clear();
}

void Manager::load(const unsigned char* data, int length) { load(data, length, std::string()); }

void Manager::load(const unsigned char* data, int length, const std::string& sourceName) {
  const std::string in = sourceName.empty() ? std::string() : " in '" + sourceName + "'";
  ReadBuffer buffer(data, length > 0 ? static_cast<uint32_t>(length) : 0, FILE_FLAGS);
  if (buffer.getMinorVersion() != FILE_MINOR || buffer.getMajorVersion() != FILE_MAJOR ||
      buffer.getFormat() != FILE_FORMAT) {
    throw Exception("Manager-file is of wrong version (%d:%d of format %s)%s", buffer.getMajorVersion(),
                    buffer.getMinorVersion(), zlk_printable(buffer.getFormat()).c_str(), in.c_str());
  }
  const uint16_t id = buffer.openChunk();
  if (id != MAIN) {
    throw Exception("There can only be a main-chunk as the top of the hiarchy! Found 0x%X%s", id, in.c_str());
  }
  loadChunkMain(buffer);
  buffer.closeChunk();

  const std::vector<ReadBuffer::Fault>& faults = buffer.getFaults();
  const std::string file = sourceName.empty() ? "Scene file" : "Scene file '" + sourceName + "'";
  for (const ReadBuffer::Fault& fault : faults)
    ZLK_LOG("warning", "z3d", "%s is damaged: %s; loaded what is intact", file.c_str(),
            ReadBuffer::describe(fault).c_str());
  if (buffer.getNumFaults() > faults.size())
    ZLK_LOG("warning", "z3d", "%s: %u more faults", file.c_str(),
            static_cast<unsigned>(buffer.getNumFaults() - faults.size()));
}

void Manager::loadChunkMain(ReadBuffer& buffer) {
  while (const uint16_t id = buffer.openChunk()) {
    switch (id) {
      case MESH: {
        std::unique_ptr<Mesh> mesh(new Mesh);
        mesh->loadChunk(buffer);
        addMesh(mesh.release());
        break;
      }
      case IMAGE: {
        std::unique_ptr<Image> image(new Image);
        image->loadChunk(buffer);
        addImage(image.release());
        break;
      }
      case SCENE: {
        std::unique_ptr<Scene> scene(new Scene);
        scene->loadChunk(buffer);
        addScene(scene.release());
        break;
      }
      case MATERIAL: {
        std::unique_ptr<Material> material(new Material);
        material->loadChunk(buffer);
        addMaterial(material.release());
        break;
      }
      default:
        ZLK_LOG("warning", "z3d", "Unknown chunk with ID=0x%X\n", id);
        break;
    }
    buffer.closeChunk();
  }
}

namespace {

// The file of everything the manager holds.
void writeFile(const Manager& manager, chunklib::WriteBuffer& buffer) {
  buffer.openChunk(MAIN);
  for (int i = 0; i < manager.getNumMeshes(); ++i) manager.getMesh(i)->writeChunk(buffer);
  for (int i = 0; i < manager.getNumMaterials(); ++i) manager.getMaterial(i)->writeChunk(buffer);
  for (int i = 0; i < manager.getNumImages(); ++i) manager.getImage(i)->writeChunk(buffer);
  for (int i = 0; i < manager.getNumScenes(); ++i) manager.getScene(i)->writeChunk(buffer);
  buffer.closeChunk();
  if (buffer.getSize() == 6) {
    // an empty main chunk vanishes on closing, but a file needs one to load
    const uint8_t emptyMain[6] = {MAIN & 0xFF, MAIN >> 8, 0, 0, 0, 0};
    buffer.store(emptyMain, sizeof(emptyMain));
  }
}

}  // namespace

std::vector<uint8_t> Manager::write() const {
  chunklib::WriteBuffer buffer(FILE_FORMAT, FILE_MAJOR, FILE_MINOR, FILE_FLAGS);
  writeFile(*this, buffer);
  return buffer.getData();
}

void Manager::write(unsigned char** data, int* length) const {
  *data = nullptr;
  *length = 0;
  chunklib::WriteBuffer buffer(FILE_FORMAT, FILE_MAJOR, FILE_MINOR, FILE_FLAGS);
  writeFile(*this, buffer);
  const std::vector<uint8_t>& bytes = buffer.data();
  if (bytes.size() > static_cast<size_t>(INT_MAX))
    throw Exception("Scene file of %zu bytes is too large to hand over", bytes.size());
  unsigned char* copy = new unsigned char[bytes.size()];
  std::memcpy(copy, bytes.data(), bytes.size());
  *data = copy;
  *length = static_cast<int>(bytes.size());
}

void Manager::save(const std::string& path) const {
  chunklib::WriteBuffer buffer(FILE_FORMAT, FILE_MAJOR, FILE_MINOR, FILE_FLAGS);
  writeFile(*this, buffer);
  buffer.save(path);
}

Mesh* Manager::getMesh(const std::string& name) { return getMesh(getMeshIndex(name)); }
const Mesh* Manager::getMesh(const std::string& name) const { return getMesh(getMeshIndex(name)); }
Material* Manager::getMaterial(const std::string& name) { return getMaterial(getMaterialIndex(name)); }
const Material* Manager::getMaterial(const std::string& name) const { return getMaterial(getMaterialIndex(name)); }
Image* Manager::getImage(const std::string& name) { return getImage(getImageIndex(name)); }
const Image* Manager::getImage(const std::string& name) const { return getImage(getImageIndex(name)); }

Scene* Manager::getScene(const std::string& name) {
  for (Scene* s : mScenes)
    if (s->getName() == name) return s;
  return nullptr;
}

const Scene* Manager::getScene(const std::string& name) const {
  return const_cast<Manager*>(this)->getScene(name);
}

void Manager::addMesh(Mesh* mesh) {
  mNameMeshMap[mesh->getName()] = getNumMeshes();
  mMeshes.push_back(mesh);
}

void Manager::addMaterial(Material* material) {
  mNameMaterialMap[material->getName()] = getNumMaterials();
  mMaterials.push_back(material);
}

void Manager::addImage(Image* image) {
  mNameImageMap[image->getName()] = getNumImages();
  mImages.push_back(image);
}

void Manager::addScene(Scene* scene) { mScenes.push_back(scene); }

namespace {

int countNodes(const SceneNode* node) {
  int count = 1;
  for (int i = 0; i < node->getNumChildren(); ++i) count += countNodes(node->getChild(i));
  return count;
}

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
  char text[1024];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(text, sizeof(text), fmt, args);
  va_end(args);
  return text;
}

}  // namespace

std::vector<std::string> Manager::listContents() const {
  std::vector<std::string> lines;
  for (const Mesh* m : mMeshes) {
    int triangles = 0;
    for (int i = 0; i < m->getNumSubmesh(); ++i) triangles += m->getSubmesh(i)->getTriangles().size();
    lines.push_back(format("mesh '%s': %d vertices, %d triangles, %d submeshes", m->getName().c_str(),
                           m->getVertices().size(), triangles, m->getNumSubmesh()));
  }
  for (const Material* m : mMaterials)
    lines.push_back(format("material '%s': %d attributes", m->getName().c_str(), m->getNumAttributes()));
  for (const Image* i : mImages)
    lines.push_back(format("image '%s': '%s'", i->getName().c_str(), i->getFilename().c_str()));
  for (const Scene* s : mScenes)
    lines.push_back(format("scene '%s': %d nodes", s->getName().c_str(), countNodes(s) - 1));
  return lines;
}

}  // namespace z3d
}  // namespace zelkor
