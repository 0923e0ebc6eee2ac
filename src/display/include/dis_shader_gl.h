#pragma once
// GLSL programs and their sources. A source is compiled from an archive file
// with a block of "#define " lines in front of it; a program links its
// sources with the attribute names of a vertex definition bound to their
// indices. Both are GPU resources, built on first use and rebuilt from their
// file names after the device disposed them.

#include <map>
#include <string>
#include <vector>

#include "dis_glinclude.h"
#include "dis_resource.h"

namespace zelkor {
namespace display {

class ShaderSource_GL : public ShaderSource {
 public:
  ShaderSource_GL(DisplayGL* display, const std::string& filename);
  ~ShaderSource_GL() override;

  void setDefine(const std::string& name, const std::string& value) override;
  void disposeResource(bool contextLost) override;
  // Compiles the file.
  void restoreResource() override;
  // Creates the GL shader object (none may exist yet).
  virtual void createHandle() = 0;

  // Reads the file through the device's archive and compiles it.
  void compile(const std::string& filename);
  // Compiles the bytes, named `debugName` in errors; throws with the
  // driver's log when they do not compile.
  void compile(const char* data, int dataLength, const std::string& debugName);
  GLuint getHandle() const;
  const std::string& getFilename() const { return mFilename; }
  const std::map<std::string, std::string>& getDefines() const { return mDefines; }
  // The text handed to the compiler for these bytes: the "#define " block,
  // in ascending order of name, then the bytes (after a leading "#version"
  // line, which must stay first).
  std::string buildSourceText(const char* data, int dataLength) const;
  // Live editing: compiles the file as it is now into a new GL object and
  // returns it, leaving the current one alone; throws as compile does.
  GLuint compileAside();
  // Puts a GL object from compileAside in place of the current one.
  void adopt(GLuint handle);
  // Lines the "#define " block puts before the file's line `line`.
  int definesBefore(int line) const;
  // Live editing, when the file broke: the text that runs now is kept, and a
  // rebuild after the device disposed everything compiles it instead of the
  // broken file until the file builds again. compileRunningText puts the kept
  // text in place of what the source holds; false when nothing is kept.
  void keepRunningText();
  bool compileRunningText();

 protected:
  std::string mFilename;
  std::map<std::string, std::string> mDefines;
  GLuint mHandle;
  int mVersionLine = 0;  // the file's "#version" line at the last compileAside, 0: none
  std::string mRunningText;  // see keepRunningText; empty unless the file is broken
};

class VertexShaderSource_GL : public ShaderSource_GL {
 public:
  VertexShaderSource_GL(DisplayGL* display, const std::string& filename) : ShaderSource_GL(display, filename) {}
  Type getType() const override { return SHADER_VERTEX; }
  void createHandle() override;
};

class PixelShaderSource_GL : public ShaderSource_GL {
 public:
  PixelShaderSource_GL(DisplayGL* display, const std::string& filename) : ShaderSource_GL(display, filename) {}
  Type getType() const override { return SHADER_PIXEL; }
  void createHandle() override;
};

class Shader_GL : public Shader {
 public:
  struct Attachment {
    ShaderSource_GL* source;  // one reference held
    bool attached;            // attached to the current GL program
  };

  explicit Shader_GL(DisplayGL* display);
  ~Shader_GL() override;

  void attach(ShaderSource* shader) override;
  void attach(const std::string& vertName, const std::string& fragName) override;
  void link() override;
  int getUniformLocation(const std::string& name) override;
  void getUniforms(std::vector<VertexAttribute>& result) override;
  int getVertexAttribLocation(const std::string& name) override;
  void getVertexAttribs(std::vector<VertexAttribute>& result) override;
  void setVertexAttrib(int index, const std::string& name) override;
  void setVertexAttrib(const VertexDef* def) override;
  void set(int location, const int& value, int count = 1) override;
  void set(int location, const float& value, int count = 1) override;
  void set(int location, const mathbase::Vector2f& value, int count = 1) override;
  void set(int location, const mathbase::Vector3f& value, int count = 1) override;
  void set(int location, const mathbase::Vector4f& value, int count = 1) override;
  void set(int location, const mathbase::Matrix4x4Col& value, int count = 1) override;
  void dettachAll() override;
  void disposeResource(bool contextLost) override;
  // Links (compiling the sources on the way).
  void restoreResource() override;

  // Links first when disposed, then makes the program current.
  void bind();
  void unbind();
  void createHandle();
  // Live editing: builds the program again from its files and puts it in
  // place of the running one, with the values of its uniforms kept. When
  // the files do not compile or link the running program stays and the
  // exception tells why.
  void rebuild();

  GLuint getHandle() const { return mHandle; }
  bool isLinked() const { return mLinked; }
  const std::vector<Attachment>& getSources() const { return mSources; }

  // Scalar type and component count of a GL uniform or attribute type;
  // samplers are one int, unknown types TYPE_NONE with no components.
  static Variable getVaribleFromGLType(GLenum typeGL);

 private:
  // Name, location, type and array size of each active uniform or attribute.
  void listActive(GLint count, bool uniforms, std::vector<VertexAttribute>& result);

  GLuint mHandle;
  bool mLinked;
  std::vector<Attachment> mSources;
  std::map<std::string, int> mVertexAttribMap;
};

}  // namespace display
}  // namespace zelkor
