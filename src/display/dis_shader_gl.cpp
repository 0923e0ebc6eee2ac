#include "dis_shader_gl.h"

#include <algorithm>

#include "dis_display.h"
#include "zlk_system.h"

namespace zelkor {
namespace display {

// ---------------------------------------------------------------- sources

ShaderSource_GL::ShaderSource_GL(DisplayGL* display, const std::string& filename)
    : ShaderSource(display), mFilename(filename), mHandle(0) {}

ShaderSource_GL::~ShaderSource_GL() {
  // a source that failed to compile still holds its GL object
  if (mHandle != 0) glDeleteShader(mHandle);
}

void ShaderSource_GL::setDefine(const std::string& name, const std::string& value) { mDefines[name] = value; }

void ShaderSource_GL::compile(const std::string& filename) {
  DIS_ASSERT(getDisplay()->supportsShaders());
  if (!canLoad()) throw Exception("The device can not load files! (when loading %s)", filename.c_str());
  am::File file = loadFile(filename);
  const char* data = file->data && file->length > 0 ? reinterpret_cast<const char*>(file->data) : "";
  compile(data, static_cast<int>(std::max(file->length, 0L)), filename);
}

std::string ShaderSource_GL::buildSourceText(const char* data, int dataLength) const {
  std::string source(data, static_cast<size_t>(std::max(dataLength, 0)));
  if (mDefines.empty()) return source;
  std::string block;
  for (const auto& define : mDefines) block += "#define " + define.first + " " + define.second + "\n";
  // The compiler refuses a "#version" that is not the first directive; the
  // block goes right after it.
  const size_t start = source.find_first_not_of(" \t\r\n");
  if (start != std::string::npos && source.compare(start, 8, "#version") == 0) {
    const size_t lineEnd = source.find('\n', start);
    if (lineEnd == std::string::npos) return source + "\n" + block;
    return source.substr(0, lineEnd + 1) + block + source.substr(lineEnd + 1);
  }
  return block + source;
}

void ShaderSource_GL::compile(const char* data, int dataLength, const std::string& debugName) {
  DIS_ASSERT(data);
  if (mHandle == 0) createHandle();
  const std::string text = buildSourceText(data, dataLength);
  const char* dataBajs = text.c_str();
  const GLint inputSize = static_cast<GLint>(text.size());
  GL_CHECK(glShaderSource(mHandle, 1, &dataBajs, (const GLint*) &inputSize));
  GL_CHECK(glCompileShader(mHandle));
  GLint compiled = 0;
  GLint maxLength = 0;
  GL_CHECK(glGetShaderiv(mHandle, GL_COMPILE_STATUS, &compiled));
  GL_CHECK(glGetShaderiv(mHandle, GL_INFO_LOG_LENGTH, &maxLength));
  std::vector<char> compileMessage(static_cast<size_t>(std::max(maxLength, 0)) + 1, '\0');
  GLsizei length = 0;
  GL_CHECK(glGetShaderInfoLog(mHandle, maxLength, &length, &compileMessage[0]));
  if (!compiled) {
    throw Exception("Could not compile '%s'.\nCompile message:\n%s", debugName.c_str(), compileMessage.data());
  }
}

GLuint ShaderSource_GL::getHandle() const {
  DIS_ASSERT(!mDisposed);
  return mHandle;
}

void ShaderSource_GL::restoreResource() {
  DIS_ASSERT(mDisposed);
  DIS_ASSERT(!mFilename.empty());
  try {
    compile(mFilename);
  } catch (const Exception&) {
    // a disposed source holds no GL object, also after a failed build
    if (mHandle != 0) glDeleteShader(mHandle);
    mHandle = 0;
    // live editing: what ran before the file broke runs on
    if (!compileRunningText()) throw;
  }
  mDisposed = false;
}

void ShaderSource_GL::disposeResource(bool contextLost) {
  DIS_ASSERT(!mDisposed);
  if (!contextLost && mHandle != 0) GL_CHECK(glDeleteShader(mHandle));
  mHandle = 0;
  mDisposed = true;
}

void VertexShaderSource_GL::createHandle() {
  DIS_ASSERT(mHandle==0);
  GL_CHECK(mHandle=glCreateShader(GL_VERTEX_SHADER));
  DIS_ASSERT(mHandle!=0);
}

void PixelShaderSource_GL::createHandle() {
  DIS_ASSERT(mHandle==0);
  GL_CHECK(mHandle=glCreateShader(GL_FRAGMENT_SHADER));
  DIS_ASSERT(mHandle!=0);
}

// ---------------------------------------------------------------- programs

Shader_GL::Shader_GL(DisplayGL* display) : Shader(display), mHandle(0), mLinked(false) {}

Shader_GL::~Shader_GL() {
  dettachAll();
  if (mHandle != 0) glDeleteProgram(mHandle);
}

void Shader_GL::createHandle() {
  GL_CHECK(mHandle=glCreateProgram());
  DIS_ASSERT(mHandle!=0);
}

void Shader_GL::attach(ShaderSource* shader) {
  DIS_ASSERT(shader != nullptr);
  shader->incRef();
  mSources.push_back(Attachment{static_cast<ShaderSource_GL*>(shader), false});
}

void Shader_GL::attach(const std::string& vertName, const std::string& fragName) {
  ShaderSource* vertex = mDisplay->createVertexShader(vertName, false);
  ShaderSource* pixel = mDisplay->createPixelShader(fragName, false);
  attach(vertex);
  attach(pixel);
  // the program alone owns them now
  vertex->destroy();
  pixel->destroy();
}

void Shader_GL::dettachAll() {
  std::vector<Attachment> sources;
  sources.swap(mSources);
  for (const Attachment& a : sources) {
    // a later link must not find the old sources still in the program
    if (mHandle != 0 && a.attached && !a.source->isDisposed()) glDetachShader(mHandle, a.source->getHandle());
    a.source->destroy();
  }
}

void Shader_GL::setVertexAttrib(int index, const std::string& name) { mVertexAttribMap[name] = index; }

void Shader_GL::setVertexAttrib(const VertexDef* def) {
  DIS_ASSERT(def!=0);
  for (const VertexAttribute& a : def->getAttributes()) mVertexAttribMap[a.name] = a.index;
}

void Shader_GL::link() {
  if (mHandle == 0) createHandle();
  for (Attachment& a : mSources) {
    if (a.attached) continue;
    ShaderSource_GL* source = a.source;
    if (source->isDisposed()) source->restoreResource();
    GL_CHECK(glAttachShader(mHandle,source->getHandle()));
    a.attached = true;
  }
  for (auto i = mVertexAttribMap.begin(); i != mVertexAttribMap.end(); ++i) {
    GL_CHECK(glBindAttribLocation(mHandle, i->second, i->first.c_str()));
  }
  GL_CHECK(glLinkProgram(mHandle));
  GLint linked = 0;
  GLint maxLength = 0;
  GL_CHECK(glGetProgramiv(mHandle, GL_LINK_STATUS, &linked));
  GL_CHECK(glGetProgramiv(mHandle, GL_INFO_LOG_LENGTH, &maxLength));
  std::vector<char> linkMessage(static_cast<size_t>(std::max(maxLength, 0)) + 1, '\0');
  GLsizei length = 0;
  GL_CHECK(glGetProgramInfoLog(mHandle, maxLength, &length, &linkMessage[0]));
  if (!linked) {
    mLinked = false;
    throw Exception("Could not link.\n\nLink message:\n%s", linkMessage.data());
  }
  mDisposed = false;
  mLinked = true;
}

void Shader_GL::bind() {
  if (mDisposed) restoreResource();
  GL_CHECK(glUseProgram(mHandle));
}

void Shader_GL::unbind() { GL_CHECK(glUseProgram(0)); }

void Shader_GL::restoreResource() {
  DIS_ASSERT(mDisposed);
  const auto drop = [this] {
    // a disposed program holds no GL object, also after a failed build
    if (mHandle != 0) glDeleteProgram(mHandle);
    mHandle = 0;
    for (Attachment& a : mSources) a.attached = false;
  };
  try {
    link();
  } catch (const Exception&) {
    drop();
    // live editing: files that compile but do not link together; what ran
    // before they broke runs on
    bool kept = false;
    for (Attachment& a : mSources) kept = a.source->compileRunningText() || kept;
    if (!kept) throw;
    try {
      link();
    } catch (const Exception&) {
      drop();
      throw;
    }
  }
  mDisposed = false;
}

void Shader_GL::disposeResource(bool contextLost) {
  DIS_ASSERT(!mDisposed);
  mLinked = false;
  if (!contextLost && mHandle != 0) GL_CHECK(glDeleteProgram(mHandle));
  mHandle = 0;
  for (Attachment& a : mSources) a.attached = false;
  mDisposed = true;
}

int Shader_GL::getUniformLocation(const std::string& name) {
  // a location only exists in a linked program
  if (mDisposed) restoreResource();
  GLint location = -1;
  GL_CHECK(location = glGetUniformLocation(mHandle, name.c_str()));
  return location;
}

int Shader_GL::getVertexAttribLocation(const std::string& name) {
  DIS_ASSERT(!mDisposed);
  GLint location = -1;
  GL_CHECK(location = glGetAttribLocation(mHandle, name.c_str()));
  return location;
}

void Shader_GL::getUniforms(std::vector<VertexAttribute>& result) {
  DIS_ASSERT(!mDisposed);
  GLint numActiveUniforms = 0;
  GL_CHECK(glGetObjectParameterivARB(mHandle, GL_OBJECT_ACTIVE_UNIFORMS_ARB, &numActiveUniforms));
  listActive(numActiveUniforms, true, result);
}

void Shader_GL::getVertexAttribs(std::vector<VertexAttribute>& result) {
  DIS_ASSERT(!mDisposed);
  GLint numActiveAttributes = 0;
  GL_CHECK(glGetObjectParameterivARB(mHandle, GL_OBJECT_ACTIVE_ATTRIBUTES_ARB, &numActiveAttributes));
  listActive(numActiveAttributes, false, result);
}

void Shader_GL::listActive(GLint count, bool uniforms, std::vector<VertexAttribute>& result) {
  DIS_ASSERT(count >= 0);
  result.clear();
  for (GLint index = 0; index < count; ++index) {
    GLcharARB name[1024] = {0};
    GLint size = 0;
    GLsizei length = 0;
    GLenum typeGL = 0;
    GLint location = -1;
    if (uniforms) {
      GL_CHECK(glGetActiveUniformARB(mHandle, index, 1024, &length, &size, &typeGL, name));
      location = glGetUniformLocation(mHandle, name);
    } else {
      GL_CHECK(glGetActiveAttribARB(mHandle, index, 1024, &length, &size, &typeGL, name));
      location = glGetAttribLocation(mHandle, name);
    }
    const Variable variable = getVaribleFromGLType(typeGL);
    VertexAttribute attribute(location, name, -1, variable.type, variable.numElements);
    attribute.tempTODOREMOVE = size;  // the array size
    result.push_back(attribute);
  }
}

void Shader_GL::set(int location, const int& value, int count) { GL_CHECK(glUniform1iv(location, count, &value)); }

void Shader_GL::set(int location, const float& value, int count) { GL_CHECK(glUniform1fv(location, count, &value)); }

void Shader_GL::set(int location, const mathbase::Vector2f& value, int count) {
  GL_CHECK(glUniform2fv(location, count, value.data()));
}

void Shader_GL::set(int location, const mathbase::Vector3f& value, int count) {
  GL_CHECK(glUniform3fv(location, count, value.data()));
}

void Shader_GL::set(int location, const mathbase::Vector4f& value, int count) {
  GL_CHECK(glUniform4fv(location, count, value.data()));
}

void Shader_GL::set(int location, const mathbase::Matrix4x4Col& value, int count) {
  GL_CHECK(glUniformMatrix4fv(location, count, GL_FALSE, value.data()));
}

Variable Shader_GL::getVaribleFromGLType(GLenum typeGL) {
  switch (typeGL) {
    case GL_FLOAT: return Variable(TYPE_FLOAT, 1);
    case GL_FLOAT_VEC2: return Variable(TYPE_FLOAT, 2);
    case GL_FLOAT_VEC3: return Variable(TYPE_FLOAT, 3);
    case GL_FLOAT_VEC4: return Variable(TYPE_FLOAT, 4);
    case GL_INT: return Variable(TYPE_INT, 1);
    case GL_INT_VEC2: return Variable(TYPE_INT, 2);
    case GL_INT_VEC3: return Variable(TYPE_INT, 3);
    case GL_INT_VEC4: return Variable(TYPE_INT, 4);
    case GL_BOOL: return Variable(TYPE_BOOL, 1);
    case GL_BOOL_VEC2: return Variable(TYPE_BOOL, 2);
    case GL_BOOL_VEC3: return Variable(TYPE_BOOL, 3);
    case GL_BOOL_VEC4: return Variable(TYPE_BOOL, 4);
    case GL_FLOAT_MAT2: return Variable(TYPE_FLOAT, 4);
    case GL_FLOAT_MAT3: return Variable(TYPE_FLOAT, 9);
    case GL_FLOAT_MAT4: return Variable(TYPE_FLOAT, 16);
    case GL_FLOAT_MAT2x3: return Variable(TYPE_FLOAT, 6);
    case GL_FLOAT_MAT2x4: return Variable(TYPE_FLOAT, 8);
    case GL_FLOAT_MAT3x2: return Variable(TYPE_FLOAT, 6);
    case GL_FLOAT_MAT3x4: return Variable(TYPE_FLOAT, 12);
    case GL_FLOAT_MAT4x2: return Variable(TYPE_FLOAT, 8);
    case GL_FLOAT_MAT4x3: return Variable(TYPE_FLOAT, 12);
    case GL_UNSIGNED_INT: return Variable(TYPE_UINT, 1);
    case GL_UNSIGNED_INT_VEC2: return Variable(TYPE_UINT, 2);
    case GL_UNSIGNED_INT_VEC3: return Variable(TYPE_UINT, 3);
    case GL_UNSIGNED_INT_VEC4: return Variable(TYPE_UINT, 4);
    case GL_DOUBLE: return Variable(TYPE_DOUBLE, 1);
    // samplers are set as one int: the texture unit
    case GL_SAMPLER_1D:
    case GL_SAMPLER_2D:
    case GL_SAMPLER_3D:
    case GL_SAMPLER_CUBE:
    case GL_SAMPLER_1D_SHADOW:
    case GL_SAMPLER_2D_SHADOW:
    case GL_SAMPLER_2D_RECT:
    case GL_SAMPLER_2D_RECT_SHADOW:
      return Variable(TYPE_INT, 1);
    default:
      return Variable(TYPE_NONE, 0);
  }
}

}  // namespace display
}  // namespace zelkor
