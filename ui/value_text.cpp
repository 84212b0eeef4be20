#include "ui/value_text.h"

#include <cmath>

#include "platform/os/c_locale.h"

namespace kd71::uir {

namespace {

bool is_real(ValueType type) { return type == ValueType::Float || type == ValueType::Double; }

}  // namespace

std::string value_text(const ControlDef& def, double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char text[64];
  if (is_real(def.type)) {
    const int digits = def.precision >= 0 ? def.precision : kDefaultRealPrecision;
    c_locale::format_to(text, sizeof text, def.scientific ? "%.*e" : "%.*f", digits, value);
  } else {
    c_locale::format_to(text, sizeof text, "%.0f", std::trunc(value));
  }
  return text;
}

}  // namespace kd71::uir
