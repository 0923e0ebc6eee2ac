#pragma once
// Helpers shared by the XML tests.

#include <string>

#include "test_support.h"
#include "xml_parser.h"

namespace xml_test {

using kindra_test::thrownMessage;

inline std::string parseError(const std::string& text) {
  zelkor::xml::XmlParser parser;
  return thrownMessage([&] { parser.parse(text); });
}

inline std::string written(const zelkor::xml::XmlParser& parser) {
  std::string out;
  parser.write(out, "\t");
  return out;
}

// Parses and writes back with a tab as indentation.
inline std::string rewritten(const std::string& text) {
  zelkor::xml::XmlParser parser;
  parser.parse(text);
  return written(parser);
}

}  // namespace xml_test
