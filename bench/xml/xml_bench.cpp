// Reading and writing throughput on a large generated document, with
// tinyxml2 on the same text for comparison.

#include <benchmark/benchmark.h>
#include <tinyxml2.h>

#include <cstdio>
#include <string>

#include "bench_baseline.h"
#include "xml_parser.h"
#include "zlk_system.h"

namespace zelkor {
void zlk_log_callback(const LogData&) {}
}  // namespace zelkor

namespace {

using zelkor::xml::XmlParser;

// About 8 MB shaped like the system's files: effect scripts with plugins
// full of keys, comments, a few nested controls with text.
const std::string& document() {
  static const std::string text = [] {
    std::string s = "<?xml version=\"1.0\"?>\n\n<demo name=\"bench\" version=\"3\">\n";
    char line[256];
    unsigned seed = 12345;
    auto next = [&seed] {
      seed = seed * 1103515245u + 12345u;
      return static_cast<double>((seed >> 8) & 0xffff) / 655.36;
    };
    for (int e = 0; s.size() < 8u * 1024 * 1024; ++e) {
      std::snprintf(line, sizeof(line), "\t<effect type=\"tunnel\" name=\"fx%d\" start=\"%.6g\" end=\"%.6g\" enabled=\"1\">\n",
                    e, next(), next() + 100.0);
      s += line;
      s += "\t\t<!-- key-framed parameters of this instance -->\n";
      for (int p = 0; p < 4; ++p) {
        std::snprintf(line, sizeof(line), "\t\t<plugin name=\"param%d\" type=\"spline\">\n", p);
        s += line;
        for (int k = 0; k < 16; ++k) {
          std::snprintf(line, sizeof(line), "\t\t\t<key time=\"%.6g\" value=\"%.6g\" tension=\"%.6g\"/>\n", k * 0.5, next(),
                        next() / 100.0);
          s += line;
        }
        s += "\t\t</plugin>\n";
      }
      s += "\t\t<control type=\"label\" id=\"caption\">\n\t\t\tA caption with a few words in it\n\t\t</control>\n";
      s += "\t</effect>\n";
    }
    s += "</demo>\n";
    return s;
  }();
  return text;
}

void BM_ReadKindra(benchmark::State& state) {
  const std::string& text = document();
  const kindra_bench::CopyRatio ratio;
  for (auto _ : state) {
    XmlParser parser;
    parser.parse(text);
    benchmark::DoNotOptimize(parser.getRootNode().getNumChildren());
  }
  ratio.report(state, text.data(), text.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ReadKindra)->Unit(benchmark::kMillisecond);

void BM_ReadTinyxml2(benchmark::State& state) {
  const std::string& text = document();
  for (auto _ : state) {
    tinyxml2::XMLDocument doc;
    if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) state.SkipWithError("tinyxml2 could not read");
    benchmark::DoNotOptimize(doc.RootElement());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ReadTinyxml2)->Unit(benchmark::kMillisecond);

void BM_WriteKindra(benchmark::State& state) {
  XmlParser parser;
  parser.parse(document());
  std::string out;
  for (auto _ : state) {
    parser.write(out, "\t");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(out.size()));
}
BENCHMARK(BM_WriteKindra)->Unit(benchmark::kMillisecond);

void BM_WriteTinyxml2(benchmark::State& state) {
  tinyxml2::XMLDocument doc;
  doc.Parse(document().data(), document().size());
  size_t size = 0;
  for (auto _ : state) {
    tinyxml2::XMLPrinter printer;
    doc.Print(&printer);
    size = static_cast<size_t>(printer.CStrSize() - 1);
    benchmark::DoNotOptimize(printer.CStr());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}
BENCHMARK(BM_WriteTinyxml2)->Unit(benchmark::kMillisecond);

// Hostile shapes: one tag with n attributes, and n declarations merged
// before the root; neither may grow quadratically.
void readRepeatedly(benchmark::State& state, const std::string& text) {
  for (auto _ : state) {
    XmlParser parser;
    parser.parse(text);
  }
}

void BM_ReadManyAttributes(benchmark::State& state) {
  std::string text = "<a";
  for (int64_t i = 0; i < state.range(0); ++i) text += " k" + std::to_string(i) + "=\"1\"";
  readRepeatedly(state, text + "></a>");
}
BENCHMARK(BM_ReadManyAttributes)->RangeMultiplier(4)->Range(1 << 10, 1 << 16);

void BM_ReadManyDeclarations(benchmark::State& state) {
  std::string text;
  for (int64_t i = 0; i < state.range(0); ++i) text += "<?xml k" + std::to_string(i) + "=\"1\"?>";
  readRepeatedly(state, text + "<a></a>");
}
BENCHMARK(BM_ReadManyDeclarations)->RangeMultiplier(4)->Range(1 << 10, 1 << 16);

}  // namespace
