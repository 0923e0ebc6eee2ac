#include "dis_vertexdef.h"

#include <cstddef>

#include "dis_glinclude.h"

namespace zelkor {
namespace display {

static_assert(sizeof(VertexP3N3) == 24 && offsetof(VertexP3N3, n) == 12, "positions and normals are packed");

const char* getVariableTypeName(VariableType type) {
  switch (type) {
    case TYPE_BOOL: return "bool";
    case TYPE_BYTE: return "byte";
    case TYPE_UBYTE: return "ubyte";
    case TYPE_SHORT: return "short";
    case TYPE_USHORT: return "ushort";
    case TYPE_INT: return "int";
    case TYPE_UINT: return "uint";
    case TYPE_FLOAT: return "float";
    case TYPE_DOUBLE: return "double";
    default: return "none";
  }
}

int getVariableTypeSize(VariableType type) {
  static const int kSizes[] = {0, 1, 1, 1, 2, 2, 4, 4, 4, 8};
  DIS_ASSERT(type >= TYPE_NONE && type <= TYPE_DOUBLE);
  return kSizes[type];
}

VertexDef* VertexP3N3::getVertexDef(const std::string& prefix) {
  VertexDef* def = new VertexDef(sizeof(VertexP3N3));
  def->addAttribute(VertexAttribute(0, prefix + "position", 0, TYPE_FLOAT, 3));
  def->addAttribute(VertexAttribute(1, prefix + "normal", 12, TYPE_FLOAT, 3));
  return def;
}

}  // namespace display
}  // namespace zelkor
