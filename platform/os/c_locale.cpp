#include "platform/os/c_locale.h"

#include <locale.h>

#include <charconv>
#include <limits>
#include <system_error>

namespace kd71::c_locale {
namespace {

// The C locale as an object, made once and kept for the life of the process.
// "C" is built into the C library, so newlocale cannot miss it; should it
// fail all the same, the thread simply keeps its locale.
locale_t c_object() {
  static const locale_t object = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return object;
}

bool exponent_is_negative(std::string_view text) {
  const std::size_t e = text.find_first_of("eE");
  return e != std::string_view::npos && e + 1 < text.size() && text[e + 1] == '-';
}

}  // namespace

Scope::Scope() : previous_(nullptr) {
  if (const locale_t c = c_object()) previous_ = uselocale(c);
}

Scope::~Scope() {
  if (previous_) uselocale(static_cast<locale_t>(previous_));
}

int vformat_to(char* out, std::size_t size, const char* format, std::va_list args) {
  const Scope scope;
  return std::vsnprintf(out, size, format, args);
}

int format_to(char* out, std::size_t size, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  const int n = vformat_to(out, size, format, args);
  va_end(args);
  return n;
}

std::string format(const char* format, ...) {
  const Scope scope;
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  char small[128];
  const int n = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  std::string text;
  if (n < 0) {
    text.clear();
  } else if (static_cast<std::size_t>(n) < sizeof small) {
    text.assign(small, static_cast<std::size_t>(n));
  } else {
    text.resize(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(text.data(), text.size(), format, again);
    text.resize(static_cast<std::size_t>(n));
  }
  va_end(again);
  return text;
}

int vprint(std::FILE* out, const char* format, std::va_list args) {
  const Scope scope;
  return std::vfprintf(out, format, args);
}

int print(std::FILE* out, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  const int n = vprint(out, format, args);
  va_end(args);
  return n;
}

bool parse_double(std::string_view text, double* value) {
  std::string_view digits = text;
  bool negative = false;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
    // from_chars takes the minus sign itself and no second one.
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) return false;
  }
  if (digits.empty()) return false;
  double v = 0.0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
  if (end != digits.data() + digits.size()) return false;
  if (error == std::errc::result_out_of_range) {
    if (!exponent_is_negative(digits)) return false;  // too large
    v = 0.0;                                          // too small: underflows to zero
  } else if (error != std::errc()) {
    return false;
  }
  *value = negative ? -v : v;
  return true;
}

bool parse_integer(std::string_view text, long long* value, int base) {
  std::string_view digits = text;
  bool negative = false;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  if (base == 0) {
    base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
      base = 16;
      digits.remove_prefix(2);
    }
  }
  if (digits.empty() || digits.front() == '+' || digits.front() == '-') return false;
  unsigned long long magnitude = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
  if (error != std::errc() || end != digits.data() + digits.size()) return false;
  constexpr auto kMax = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
  if (magnitude > kMax + (negative ? 1 : 0)) return false;
  *value = negative ? static_cast<long long>(0ull - magnitude) : static_cast<long long>(magnitude);
  return true;
}

}  // namespace kd71::c_locale
