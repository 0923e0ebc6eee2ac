#include "kin_setting.h"

#include <cmath>
#include <cstdlib>

#include "zlk_file.h"
#include "zlk_system.h"

namespace zelkor {
namespace kindra {

double readSetting(const xml::XmlTag& tag, const char* name, const SettingRange& range, const std::string& file) {
  const std::string& text = tag.getValue(name);
  if (text.empty()) return range.fallback;
  const char* begin = text.c_str();
  char* end = nullptr;
  double value = range.integer ? static_cast<double>(std::strtol(begin, &end, 0)) : std::strtod(begin, &end);
  const std::string where = file + ": <" + tag.getName() + " " + name + ">";
  const std::string quoted = zlk_printable(text);
  // an integer past what long holds reads as its nearest end, outside any range
  if (end == begin || !std::isfinite(value)) {
    ZLK_LOG("warning", "app", "%s is no number; read as %g (the value is '%s')", where.c_str(), range.fallback,
            quoted.c_str());
    return range.fallback;
  }
  if (value >= range.min && value <= range.max) return value;
  if (range.refuse) {
    throw Exception("%s must lie between %g and %g (the value is '%s')", where.c_str(), range.min, range.max,
                    quoted.c_str());
  }
  value = value < range.min ? range.min : range.max;
  ZLK_LOG("warning", "app", "%s lies outside %g to %g; read as %g (the value is '%s')", where.c_str(), range.min,
          range.max, value, quoted.c_str());
  return value;
}

}  // namespace kindra
}  // namespace zelkor
