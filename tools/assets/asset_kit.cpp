#include "asset_kit.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>

#include "am_image.h"
#include "am_imagecodec_png.h"
#include "zlk_system.h"

namespace zelkor {
// Library messages go to standard error: standard output belongs to the build.
void zlk_log_callback(const LogData& data) {
  std::fprintf(stderr, "[%s][%s], %s\n", data.type ? data.type : "", data.function ? data.function : "",
               data.message ? data.message : "");
}
}  // namespace zelkor

namespace kindra_assets {

using zelkor::Exception;

std::string encodePng(const zelkor::am::Image& image) {
  if (image.isNull()) throw Exception("encodePng: no picture");
  zelkor::am::ImageCodecPNG codec;
  unsigned char* data = nullptr;
  size_t length = 0;
  if (!codec.encodeImage(&data, &length, *image)) throw Exception("encodePng: the PNG codec failed");
  std::string bytes(reinterpret_cast<const char*>(data), length);
  delete[] data;
  return bytes;
}

void writeAsset(const std::string& path, const std::string& bytes) {
  const std::filesystem::path target(path);
  std::error_code error;
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), error);
  if (error) throw Exception("Could not create the folder of '%s': %s", path.c_str(), error.message().c_str());

  const std::string temporary = path + ".tmp" + std::to_string(getpid());
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) throw Exception("Could not write '%s': %s", path.c_str(), std::strerror(errno));
  int failure = 0;  // the first error
  const auto check = [&failure](bool done) {
    if (!done && failure == 0) failure = errno ? errno : EIO;
  };
  check(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
  check(std::fflush(file) == 0);
  check(fsync(fileno(file)) == 0);
  check(std::fclose(file) == 0);
  if (failure == 0) check(std::rename(temporary.c_str(), path.c_str()) == 0);
  if (failure == 0) return;
  std::remove(temporary.c_str());
  throw Exception("Could not write '%s': %s", path.c_str(), std::strerror(failure));
}

}  // namespace kindra_assets
