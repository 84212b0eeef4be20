#include "remote/scpi_values.h"

#include <cmath>
#include <cstring>

#include "platform/os/c_locale.h"
#include "remote/scpi_errors.h"

namespace kd71::scpi {

namespace {

using kd71::c_locale::format;

// The named ends of a range: MIN, MAX, DEF in their short and long forms.
bool range_word(std::string_view word, const Range& range, double* value) {
  if (word == "MIN" || word == "MINIMUM")
    *value = range.min;
  else if (word == "MAX" || word == "MAXIMUM")
    *value = range.max;
  else if (word == "DEF" || word == "DEFAULT")
    *value = range.def;
  else
    return false;
  return true;
}

}  // namespace

bool number_param(Context& c, std::size_t i, const Range& range, double* value) {
  const Param& p = c.params()[i];
  double v = p.number;
  if (p.type == Param::Type::Text ||
      (p.type == Param::Type::Word && !range_word(p.text, range, &v))) {
    c.error(kDataTypeError, "a number is expected");
    return false;
  }
  if (!(v >= range.min && v <= range.max)) {
    c.error(kDataOutOfRange, format("from %g to %g", range.min, range.max));
    return false;
  }
  *value = v;
  return true;
}

bool range_query(Context& c, const Range& range, double* value, bool* given) {
  *given = false;
  if (c.params().empty()) return false;
  const Param& p = c.params()[0];
  if (p.type != Param::Type::Word || !range_word(p.text, range, value)) {
    c.error(kIllegalParameterValue, "MIN, MAX or DEF");
    return false;
  }
  *given = true;
  return true;
}

bool bool_param(Context& c, std::size_t i, bool* value) {
  const Param& p = c.params()[i];
  if (p.type == Param::Type::Number) {
    // A number rounds to 0 or 1 (SCPI-99); -0.5 or 2 are no answer to yes
    // or no.
    const double rounded = std::round(p.number);
    if (rounded != 0.0 && rounded != 1.0) {
      c.error(kDataOutOfRange, "0, 1, ON or OFF");
      return false;
    }
    *value = rounded == 1.0;
    return true;
  }
  if (p.type == Param::Type::Word && (p.text == "ON" || p.text == "OFF")) {
    *value = p.text == "ON";
    return true;
  }
  c.error(p.type == Param::Type::Word ? kIllegalParameterValue : kDataTypeError, "ON or OFF");
  return false;
}

bool choice_param(Context& c, std::size_t i, std::span<const Choice> choices, int* value) {
  const Param& p = c.params()[i];
  if (p.type != Param::Type::Word) {
    c.error(kDataTypeError, "a word is expected");
    return false;
  }
  for (const Choice& choice : choices) {
    if (p.text == choice.word) {
      *value = choice.value;
      return true;
    }
  }
  std::string words;
  for (const Choice& choice : choices) {
    if (!words.empty()) words += '|';
    words += choice.word;
  }
  c.error(kIllegalParameterValue, words);
  return false;
}

const char* choice_word(std::span<const Choice> choices, int value) {
  for (const Choice& choice : choices)
    if (choice.value == value) return choice.word;
  return "";
}

std::string nr1(long long value) { return format("%lld", value); }
std::string nr1(std::uint64_t value) {
  return format("%llu", static_cast<unsigned long long>(value));
}

std::string nr2(double value, int decimals) {
  if (!std::isfinite(value)) return nr3(value);
  return format("%.*f", decimals, value);
}

std::string nr3(double value) {
  if (std::isnan(value)) return format("%.2E", kNotANumber);
  if (std::isinf(value)) return format("%.1E", value > 0 ? kInfinity : -kInfinity);
  return format("%.6E", value);
}

std::string boolean(bool value) { return value ? "1" : "0"; }

std::string quoted(std::string_view text) {
  std::string out = "\"";
  for (char ch : text) {
    if (ch == '"') out += '"';
    out += ch;
  }
  out += '"';
  return out;
}

}  // namespace kd71::scpi
