#include "tone.h"

#include <unistd.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace kindra_tools {

std::vector<short> makeTone(double seconds, int rate, int channels) {
  const long frames = static_cast<long>(seconds * rate);
  std::vector<short> samples(static_cast<size_t>(frames) * channels);
  // a slow walk through a minor chord, one note per two seconds
  static const double kNotes[] = {220.0, 261.63, 329.63, 261.63};
  const double pi = 3.14159265358979;
  for (long i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double note = kNotes[static_cast<long>(t / 2.0) % 4];
    const double inNote = std::fmod(t, 2.0);
    const double envelope = std::min(1.0, inNote * 20.0) * std::min(1.0, (2.0 - inNote) * 20.0);
    double value = 0.18 * envelope * std::sin(2.0 * pi * note * t);
    const double inSecond = std::fmod(t, 1.0);
    if (inSecond < 0.02) value += 0.25 * (1.0 - inSecond / 0.02) * std::sin(2.0 * pi * 1760.0 * t);
    // no click at either end of the file
    const double edge = std::min(1.0, std::min(t, seconds - t) * 50.0);
    const short sample = static_cast<short>(std::lround(value * edge * 32767.0));
    for (int c = 0; c < channels; ++c) samples[static_cast<size_t>(i) * channels + c] = sample;
  }
  return samples;
}

namespace {

void put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}
void put16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xff));
  out.push_back(static_cast<char>(v >> 8));
}

}  // namespace

std::string encodeWav(const std::vector<short>& samples, int rate, int channels) {
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::string out = "RIFF";
  put32(out, 36 + dataBytes);
  out += "WAVEfmt ";
  put32(out, 16);
  put16(out, 1);
  put16(out, static_cast<uint16_t>(channels));
  put32(out, static_cast<uint32_t>(rate));
  put32(out, static_cast<uint32_t>(rate * channels * 2));
  put16(out, static_cast<uint16_t>(channels * 2));
  put16(out, 16);
  out += "data";
  put32(out, dataBytes);
  for (short s : samples) put16(out, static_cast<uint16_t>(s));
  return out;
}

std::string encodeOgg(const std::vector<short>& samples, int rate, int channels, float quality) {
  std::string out;
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, channels, rate, quality) != 0) {
    vorbis_info_clear(&info);
    return out;
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_comment_add_tag(&comment, "TITLE", "Kindra test tone");
  vorbis_dsp_state dsp;
  vorbis_block block;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, 0x4b494e44);  // fixed serial: the same input gives the same file

  ogg_page page;
  ogg_packet packet;
  const auto writePage = [&out](const ogg_page& p) {
    out.append(reinterpret_cast<const char*>(p.header), static_cast<size_t>(p.header_len));
    out.append(reinterpret_cast<const char*>(p.body), static_cast<size_t>(p.body_len));
  };
  {
    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    while (ogg_stream_flush(&stream, &page)) writePage(page);
  }

  const size_t frames = samples.size() / static_cast<size_t>(channels);
  const size_t kChunk = 1024;
  for (size_t at = 0;; at += kChunk) {
    const size_t count = at < frames ? std::min(kChunk, frames - at) : 0;
    if (count > 0) {
      float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
      for (size_t i = 0; i < count; ++i) {
        for (int c = 0; c < channels; ++c) buffer[c][i] = samples[(at + i) * channels + c] / 32768.0f;
      }
    }
    vorbis_analysis_wrote(&dsp, static_cast<int>(count));  // 0: the end
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
        ogg_stream_packetin(&stream, &packet);
        while (ogg_stream_pageout(&stream, &page)) writePage(page);
      }
    }
    if (count == 0) break;
  }
  while (ogg_stream_flush(&stream, &page)) writePage(page);

  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return out;
}

bool writeFileSafely(const std::string& path, const std::string& bytes) {
  const std::string temporary = path + ".tmp" + std::to_string(getpid());
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = std::fclose(file) == 0 && ok;
  ok = ok && std::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(temporary.c_str());
  return ok;
}

}  // namespace kindra_tools
