#pragma once
// Vertex layouts: the byte size of one vertex and its named attributes. The
// same definition tells a buffer where each attribute lies and a shader which
// name goes to which attribute index.

#include <string>
#include <vector>

#include "mb_vector3.h"

namespace zelkor {
namespace display {

enum VariableType {
  TYPE_NONE = 0,
  TYPE_BOOL = 1,
  TYPE_BYTE = 2,
  TYPE_UBYTE = 3,
  TYPE_SHORT = 4,
  TYPE_USHORT = 5,
  TYPE_INT = 6,
  TYPE_UINT = 7,
  TYPE_FLOAT = 8,
  TYPE_DOUBLE = 9
};

// "none", "bool", "byte", ...; "none" for values outside the enumeration.
const char* getVariableTypeName(VariableType type);
// Bytes of one component; values outside the enumeration fail an assertion.
int getVariableTypeSize(VariableType type);

struct Variable {
  Variable() : type(TYPE_NONE), numElements(0) {}
  Variable(VariableType pType, int pNumElements) : type(pType), numElements(pNumElements) {}
  VariableType type;
  int numElements;  // components, e.g. 3 for a position
};

struct NamedVariable : public Variable {
  NamedVariable() {}
  NamedVariable(const std::string& pName, VariableType pType, int pNumElements)
      : Variable(pType, pNumElements), name(pName) {}
  std::string name;
};

struct VertexAttribute : public NamedVariable {
  VertexAttribute() : index(-1), offset(-1), tempTODOREMOVE(0) {}
  VertexAttribute(int pIndex, const std::string& pName, int pOffset, VariableType pType, int pNumElements)
      : NamedVariable(pName, pType, pNumElements), index(pIndex), offset(pOffset), tempTODOREMOVE(0) {}
  int index;           // GL attribute index (or uniform location in shader queries)
  int offset;          // bytes from the start of a vertex
  int tempTODOREMOVE;  // array size, filled only by the shader queries
};

class VertexDef {
 public:
  // `size` is the byte size of one vertex; it is not derived from the
  // attributes, so a vertex may carry bytes no attribute describes.
  explicit VertexDef(int size) : mSize(size) {}

  void addAttribute(const VertexAttribute& attribute) { mAttributes.push_back(attribute); }
  int getNumAttributes() const { return static_cast<int>(mAttributes.size()); }
  const std::vector<VertexAttribute>& getAttributes() const { return mAttributes; }
  int getVertexSize() const { return mSize; }

 private:
  int mSize;
  std::vector<VertexAttribute> mAttributes;
};

// Position and normal, 24 bytes.
struct VertexP3N3 {
  mathbase::Vector3f p;
  mathbase::Vector3f n;
  // A new definition (owned by the caller): prefix + "position" at index 0,
  // prefix + "normal" at index 1.
  static VertexDef* getVertexDef(const std::string& prefix = std::string());
};

}  // namespace display
}  // namespace zelkor
