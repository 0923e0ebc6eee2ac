// Codec speed on one 1280x720 frame. Throughput counts decoded pixel bytes
// (B G R A), so decode and encode figures compare directly.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstring>
#include <string>
#include <vector>

#include "am_imagecodec_jpeg.h"
#include "am_imagecodec_png.h"
#include "am_test_inputs.h"
#include "bench_baseline.h"

namespace {

using zelkor::am::ImageCodecJPEG;
using zelkor::am::ImageCodecPNG;
using zelkor::am::ImageObject;

const int kWidth = 1280;
const int kHeight = 720;
const int64_t kFrameBytes = int64_t(kWidth) * kHeight * 4;

std::string framePng(int channels) {
  const std::vector<uint8_t> frame = am_test::makeFrame(kWidth, kHeight, channels);
  return am_test::makePng(kWidth, kHeight, channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, 8,
                          std::string(frame.begin(), frame.end()));
}

void decode(benchmark::State& state, zelkor::am::ImageCodec& codec, const std::string& file) {
  const kindra_bench::CopyRatio ratio;
  for (auto _ : state) {
    ImageObject image;
    codec.decodeImage(reinterpret_cast<const unsigned char*>(file.data()), file.size(), image);
    benchmark::DoNotOptimize(image.getData());
  }
  ratio.report(state, file.data(), file.size());
  state.SetBytesProcessed(state.iterations() * kFrameBytes);
  state.counters["file_kB"] = file.size() / 1024.0;
}

void BM_PngDecodeRGBA(benchmark::State& state) {
  ImageCodecPNG codec;
  decode(state, codec, framePng(4));
}
BENCHMARK(BM_PngDecodeRGBA)->Unit(benchmark::kMillisecond);

void BM_PngDecodeRGB(benchmark::State& state) {
  ImageCodecPNG codec;
  decode(state, codec, framePng(3));
}
BENCHMARK(BM_PngDecodeRGB)->Unit(benchmark::kMillisecond);

void BM_PngEncode(benchmark::State& state) {
  const std::vector<uint8_t> frame = am_test::makeFrame(kWidth, kHeight, 4);
  ImageObject image(kWidth, kHeight);
  std::memcpy(image.getWriteData(), frame.data(), frame.size());
  ImageCodecPNG codec;
  size_t length = 0;
  for (auto _ : state) {
    unsigned char* bytes = nullptr;
    if (!codec.encodeImage(&bytes, &length, image)) state.SkipWithError("encoding failed");
    delete[] bytes;
  }
  state.SetBytesProcessed(state.iterations() * kFrameBytes);
  state.counters["file_kB"] = length / 1024.0;
}
BENCHMARK(BM_PngEncode)->Unit(benchmark::kMillisecond);

void BM_JpegDecode(benchmark::State& state) {
  const std::vector<uint8_t> frame = am_test::makeFrame(kWidth, kHeight, 3);
  ImageCodecJPEG codec;
  decode(state, codec, am_test::makeJpeg(kWidth, kHeight, 3, frame, 90));
}
BENCHMARK(BM_JpegDecode)->Unit(benchmark::kMillisecond);

}  // namespace
