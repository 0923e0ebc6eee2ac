#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "zlk_system.h"

namespace kindra_test {

namespace fs = std::filesystem;

std::string sourceDir() {
  const char* dir = std::getenv("KINDRA_SOURCE_DIR");
  return dir ? dir : KINDRA_SOURCE_DIR_DEFAULT;
}

std::string binaryDir() {
  const char* dir = std::getenv("KINDRA_BINARY_DIR");
  return dir ? dir : KINDRA_BINARY_DIR_DEFAULT;
}

ScratchDir::ScratchDir(const std::string& tag) {
  std::string pattern = (fs::temp_directory_path() / (tag + ".XXXXXX")).string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
  mPath = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  // read-only folders made by a test must not keep their contents alive
  for (auto it = fs::recursive_directory_iterator(mPath, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(mPath, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(mPath, ec);
}

StdoutCapture::StdoutCapture() : mActive(true) {
  std::fflush(stdout);
  testing::internal::CaptureStdout();
}

StdoutCapture::~StdoutCapture() {
  if (mActive) finish();
}

std::string StdoutCapture::finish() {
  if (!mActive) return std::string();
  mActive = false;
  std::fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

bool writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string thrownMessage(const std::function<void()>& action, std::string* log) {
  StdoutCapture capture;
  std::string message = "<no exception>";
  try {
    action();
  } catch (const zelkor::Exception& e) {
    message = e.what();
  }
  const std::string out = capture.finish();
  if (log) *log += out;
  return message;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

}  // namespace kindra_test
