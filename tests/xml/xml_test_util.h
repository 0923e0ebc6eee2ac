#pragma once
// Helpers shared by the XML tests.

#include <string>

#include "test_support.h"
#include "xml_parser.h"
#include "zlk_system.h"

namespace xml_test {

// Runs `action` and returns the message of the library exception it raises,
// or "<no error>"; the log lines the exception prints are swallowed.
template <class Action>
std::string errorOf(Action action) {
  kindra_test::StdoutCapture quiet;
  try {
    action();
  } catch (const zelkor::Exception& e) {
    return e.what();
  }
  return "<no error>";
}

inline std::string parseError(const std::string& text) {
  zelkor::xml::XmlParser parser;
  return errorOf([&] { parser.parse(text); });
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
