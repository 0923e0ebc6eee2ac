// Live editing: programs and textures built again from their files while
// the demo runs, in place, keeping what runs when the new files are broken.

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "dis_livereload.h"

#include "am_imagemanager.h"
#include "dis_display.h"
#include "dis_shader_gl.h"
#include "dis_texture_gl.h"
#include "zlk_system.h"

namespace zelkor {
namespace display {

namespace {

// The driver's log with its line numbers turned into "file:line: " as the
// maker's editor counts them: drivers write "0:12(5): ", "0(12) : " or
// "ERROR: 0:12: ", counting the "#define " block too.
std::string describeLog(const ShaderSource_GL& source, const std::string& log) {
  std::string result;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    std::string line = log.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    size_t at = 0;
    for (const char* prefix : {"ERROR: ", "WARNING: "}) {
      if (line.compare(0, std::string(prefix).size(), prefix) == 0) at = std::string(prefix).size();
    }
    std::string text = line;
    const size_t digits = line.find_first_not_of("0123456789", at);
    if (digits != std::string::npos && digits > at && (line[digits] == ':' || line[digits] == '(')) {
      char* after = nullptr;
      const long number = std::strtol(line.c_str() + digits + 1, &after, 10);
      if (after != line.c_str() + digits + 1) {
        size_t rest = static_cast<size_t>(after - line.c_str());
        if (rest < line.size() && line[rest] == '(') rest = line.find(')', rest) + 1;  // the column
        if (rest < line.size() && line[rest] == ')') ++rest;
        rest = line.find_first_not_of(" :", rest);
        const int fileLine = static_cast<int>(number) - source.definesBefore(static_cast<int>(number));
        text = source.getFilename() + ":" + std::to_string(std::max(fileLine, 1)) + ": " +
               (rest == std::string::npos ? std::string() : line.substr(rest));
      }
    }
    if (text == line) text = source.getFilename() + ": " + line;
    result += text + "\n";
  }
  if (result.empty()) result = source.getFilename() + ": does not compile\n";
  return result;
}

// Copies the values of the uniforms both programs have from `from` to `to`,
// which is current.
void copyUniforms(GLuint from, GLuint to) {
  GLint count = 0;
  glGetProgramiv(to, GL_ACTIVE_UNIFORMS, &count);
  for (GLint index = 0; index < count; ++index) {
    char name[1024] = {0};
    GLint size = 0;
    GLsizei length = 0;
    GLenum type = 0;
    glGetActiveUniform(to, static_cast<GLuint>(index), sizeof(name), &length, &size, &type, name);
    std::string base(name, static_cast<size_t>(length));
    if (base.size() > 3 && base.compare(base.size() - 3, 3, "[0]") == 0) base.resize(base.size() - 3);
    for (GLint element = 0; element < size; ++element) {
      const std::string each = size > 1 ? base + "[" + std::to_string(element) + "]" : base;
      const GLint source = glGetUniformLocation(from, each.c_str());
      const GLint target = glGetUniformLocation(to, each.c_str());
      if (source < 0 || target < 0) continue;
      GLfloat f[16] = {0};
      GLint i[4] = {0};
      switch (type) {
        case GL_FLOAT: glGetUniformfv(from, source, f); glUniform1fv(target, 1, f); break;
        case GL_FLOAT_VEC2: glGetUniformfv(from, source, f); glUniform2fv(target, 1, f); break;
        case GL_FLOAT_VEC3: glGetUniformfv(from, source, f); glUniform3fv(target, 1, f); break;
        case GL_FLOAT_VEC4: glGetUniformfv(from, source, f); glUniform4fv(target, 1, f); break;
        case GL_FLOAT_MAT2: glGetUniformfv(from, source, f); glUniformMatrix2fv(target, 1, GL_FALSE, f); break;
        case GL_FLOAT_MAT3: glGetUniformfv(from, source, f); glUniformMatrix3fv(target, 1, GL_FALSE, f); break;
        case GL_FLOAT_MAT4: glGetUniformfv(from, source, f); glUniformMatrix4fv(target, 1, GL_FALSE, f); break;
        case GL_INT_VEC2: case GL_BOOL_VEC2: glGetUniformiv(from, source, i); glUniform2iv(target, 1, i); break;
        case GL_INT_VEC3: case GL_BOOL_VEC3: glGetUniformiv(from, source, i); glUniform3iv(target, 1, i); break;
        case GL_INT_VEC4: case GL_BOOL_VEC4: glGetUniformiv(from, source, i); glUniform4iv(target, 1, i); break;
        default:
          // ints, bools and samplers (a texture unit)
          if (Shader_GL::getVaribleFromGLType(type).type != TYPE_NONE) {
            glGetUniformiv(from, source, i);
            glUniform1iv(target, 1, i);
          }
      }
    }
  }
  // a uniform the new program declares with another type is simply not set
  while (glGetError() != GL_NO_ERROR) {
  }
}

}  // namespace

int ShaderSource_GL::definesBefore(int line) const {
  if (mDefines.empty()) return 0;
  // the block follows a leading "#version" line (see buildSourceText)
  return line <= mVersionLine ? 0 : static_cast<int>(mDefines.size());
}

GLuint ShaderSource_GL::compileAside() {
  DIS_ASSERT(getDisplay()->supportsShaders());
  am::File file = loadFile(mFilename);
  const char* data = file->data && file->length > 0 ? reinterpret_cast<const char*>(file->data) : "";
  const std::string bytes(data, static_cast<size_t>(std::max(file->length, 0L)));
  const size_t first = bytes.find_first_not_of(" \t\r\n");
  mVersionLine = (first != std::string::npos && bytes.compare(first, 8, "#version") == 0)
                     ? static_cast<int>(std::count(bytes.begin(), bytes.begin() + first, '\n')) + 1
                     : 0;
  const std::string text = buildSourceText(bytes.data(), static_cast<int>(bytes.size()));

  GLuint handle = 0;
  GL_CHECK(handle = glCreateShader(getType() == SHADER_VERTEX ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER));
  DIS_ASSERT(handle != 0);
  const char* textData = text.c_str();
  const GLint textSize = static_cast<GLint>(text.size());
  glShaderSource(handle, 1, &textData, &textSize);
  glCompileShader(handle);
  GLint compiled = 0;
  GLint logLength = 0;
  glGetShaderiv(handle, GL_COMPILE_STATUS, &compiled);
  glGetShaderiv(handle, GL_INFO_LOG_LENGTH, &logLength);
  if (compiled) return handle;
  std::vector<char> log(static_cast<size_t>(std::max(logLength, 0)) + 1, '\0');
  GLsizei length = 0;
  glGetShaderInfoLog(handle, logLength, &length, log.data());
  glDeleteShader(handle);
  throw Exception("%s", describeLog(*this, std::string(log.data(), static_cast<size_t>(length))).c_str());
}

void ShaderSource_GL::adopt(GLuint handle) {
  if (mHandle != 0 && mHandle != handle) glDeleteShader(mHandle);
  mHandle = handle;
  mDisposed = false;
  mRunningText.clear();
}

void ShaderSource_GL::keepRunningText() {
  if (mHandle == 0 || !mRunningText.empty()) return;
  GLint length = 0;
  glGetShaderiv(mHandle, GL_SHADER_SOURCE_LENGTH, &length);
  if (length <= 1) return;
  std::vector<char> text(static_cast<size_t>(length), '\0');
  glGetShaderSource(mHandle, length, nullptr, text.data());
  mRunningText.assign(text.data());
}

bool ShaderSource_GL::compileRunningText() {
  if (mRunningText.empty()) return false;
  if (mHandle != 0) glDeleteShader(mHandle);
  mHandle = 0;
  // the define block is in the text already: it is compiled as it stands
  std::map<std::string, std::string> defines;
  defines.swap(mDefines);
  try {
    compile(mRunningText.data(), static_cast<int>(mRunningText.size()), mFilename);
  } catch (...) {
    mDefines.swap(defines);
    throw;
  }
  mDefines.swap(defines);
  mDisposed = false;
  return true;
}

void Shader_GL::rebuild() {
  if (mDisposed) {
    // nothing runs yet: build it as the first bind would, from the files as they are
    for (Attachment& a : mSources)
      if (!a.source->isDisposed()) a.source->disposeResource(false);
    restoreResource();
    return;
  }
  std::vector<GLuint> fresh;
  const auto dropFresh = [&fresh] {
    for (GLuint handle : fresh) glDeleteShader(handle);
  };
  try {
    for (Attachment& a : mSources) fresh.push_back(a.source->compileAside());
  } catch (...) {
    dropFresh();
    for (Attachment& a : mSources) a.source->keepRunningText();
    throw;
  }

  GLuint program = glCreateProgram();
  for (GLuint handle : fresh) glAttachShader(program, handle);
  for (const auto& attribute : mVertexAttribMap) glBindAttribLocation(program, attribute.second, attribute.first.c_str());
  glLinkProgram(program);
  GLint linked = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  if (!linked) {
    GLint logLength = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &logLength);
    std::vector<char> log(static_cast<size_t>(std::max(logLength, 0)) + 1, '\0');
    glGetProgramInfoLog(program, logLength, nullptr, log.data());
    glDeleteProgram(program);
    dropFresh();
    for (Attachment& a : mSources) a.source->keepRunningText();
    std::string files;
    for (const Attachment& a : mSources) files += (files.empty() ? "" : " + ") + a.source->getFilename();
    throw Exception("%s: does not link:\n%s", files.c_str(), log.data());
  }

  // the uniforms set once at setup keep their values
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  glUseProgram(program);
  copyUniforms(mHandle, program);
  glUseProgram(static_cast<GLuint>(current) == mHandle ? program : static_cast<GLuint>(current));

  for (size_t k = 0; k < mSources.size(); ++k) {
    if (mHandle != 0) glDetachShader(mHandle, mSources[k].source->getHandle());
    mSources[k].source->adopt(fresh[k]);
    mSources[k].attached = true;
  }
  if (mHandle != 0) glDeleteProgram(mHandle);
  mHandle = program;
  mLinked = true;
  GL_CHECK_STATUS();
}

void Texture_GL::reload() {
  if (mRestoreFilename.empty()) return;
  // decoded before anything changes: a broken picture throws here
  am::Image image;
  try {
    image = loadImage(mRestoreFilename, true);
  } catch (...) {
    keepRunningPicture();
    throw;
  }
  if (mRunningPicture) {
    mRestoreImage.release();
    mRunningPicture = false;
  }
  if (mDisposed) return;  // the first bind reads the file as it is now
  const GLuint oldTexture = mTexture;
  const TextureDeclaration oldDecl = mDecl;
  const int oldWidth = mUploadWidth;
  const int oldHeight = mUploadHeight;
  mTexture = 0;
  try {
    init(image);
  } catch (...) {
    mTexture = oldTexture;
    mDecl = oldDecl;
    mUploadWidth = oldWidth;
    mUploadHeight = oldHeight;
    throw;
  }
  if (oldTexture != 0) glDeleteTextures(1, &oldTexture);
}

bool LiveReload::fileChanged(const std::string& name) {
  bool found = false;
  try {
    // a picture someone still holds is decoded anew from now on
    if (am::ArchiveManager* archive = mDisplay->getArchive()) {
      am::ImageManager* images = archive->getImageManager();
      if (!images->getImage(name).isNull()) images->removeImage(name);
    }
    found = rebuildShaders(name);
    found = reloadTextures(name) || found;
  } catch (const std::exception& e) {
    std::string message = e.what();
    while (!message.empty() && message.back() == '\n') message.pop_back();
    setError(name, message);  // the exception was logged as it was built
    found = true;
  }
  return found;
}

void LiveReload::clearError(const std::string& name) {
  if (mErrors.erase(name)) ZLK_LOG("log", "display", "Live editing: '%s' builds again", name.c_str());
}

bool LiveReload::rebuildShaders(const std::string& name) {
  std::vector<Shader_GL*> programs;
  for (Resource* resource : mDisplay->getResources()) {
    Shader_GL* program = dynamic_cast<Shader_GL*>(resource);
    if (!program) continue;
    for (const Shader_GL::Attachment& a : program->getSources()) {
      if (a.source->getFilename() == name) {
        programs.push_back(program);
        break;
      }
    }
  }
  for (Shader_GL* program : programs) {
    program->rebuild();  // a file that does not build throws, for every program of it alike
    ZLK_LOG("log", "display", "Live editing: rebuilt the program of '%s'", name.c_str());
  }
  // fixing one file of a program may fix the error shown for the other
  for (Shader_GL* program : programs)
    for (const Shader_GL::Attachment& a : program->getSources()) clearError(a.source->getFilename());
  return !programs.empty();
}

bool LiveReload::reloadTextures(const std::string& name) {
  bool found = false;
  for (Resource* resource : mDisplay->getResources()) {
    Texture_GL* texture = dynamic_cast<Texture_GL*>(resource);
    if (!texture || texture->getFilename() != name) continue;
    found = true;
    texture->reload();
  }
  if (found) {
    ZLK_LOG("log", "display", "Live editing: reloaded the picture '%s'", name.c_str());
    clearError(name);
  }
  return found;
}

void Texture_GL::keepRunningPicture() {
  if (mDisposed || mRunningPicture || !mRestoreImage.isNull() || mTargetGL != GL_TEXTURE_2D) return;
  am::Image image(new am::ImageObject(mUploadWidth, mUploadHeight));
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  glBindTexture(GL_TEXTURE_2D, mTexture);
  GLint alignment = 4;
  glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, image->getWriteData());
  glPixelStorei(GL_PACK_ALIGNMENT, alignment);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
  if (glGetError() != GL_NO_ERROR) return;
  mRestoreImage = image;
  mRunningPicture = true;
}

}  // namespace display
}  // namespace zelkor
