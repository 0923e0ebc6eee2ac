#pragma once
// Numbers of the setup file, each with the range it may take.

#include <string>

#include "xml_tag.h"

namespace zelkor {
namespace kindra {

struct SettingRange {
  double min;
  double max;
  double fallback;        // for a missing or empty attribute, and for one that is no number
  bool integer = false;   // read with strtol in base 0 ("0x" reads hexadecimal)
  bool refuse = false;    // out of range stops start-up instead of being clamped
};

// The attribute `name` of `tag` in the setup file `file`. Missing or empty:
// the fallback, silently. No number: the fallback, with a warning. Outside
// the range: clamped with a warning, or refused with an Exception. Messages
// name the file, the element and the attribute; the reason comes first and
// the value last, shortened and escaped.
double readSetting(const xml::XmlTag& tag, const char* name, const SettingRange& range, const std::string& file);

}  // namespace kindra
}  // namespace zelkor
