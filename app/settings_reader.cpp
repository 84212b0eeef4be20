#include "app/settings_reader.h"

#include <climits>
#include <cmath>

#include "platform/os/c_locale.h"

namespace {

constexpr double kFloatMax = 3.4028234663852886e38;

// The C locale's classes, whatever locale the process runs under: a file
// must read the same on every desktop.
bool is_space(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool is_digit(int c) { return c >= '0' && c <= '9'; }
int to_lower(int c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

}  // namespace

int SettingsReader::peek(std::size_t ahead) const {
  return pos_ + ahead < text_.size() ? static_cast<unsigned char>(text_[pos_ + ahead]) : -1;
}

bool SettingsReader::at_space() const { return is_space(peek()); }
bool SettingsReader::at_digit() const { return is_digit(peek()); }

void SettingsReader::skip_space() {
  while (at_space()) ++pos_;
}

bool SettingsReader::consume_word(std::string_view word) {
  for (std::size_t i = 0; i < word.size(); ++i)
    if (peek(i) < 0 || to_lower(peek(i)) != word[i]) return false;
  pos_ += word.size();
  return true;
}

bool SettingsReader::skip_line() {
  const std::size_t start = pos_;
  while (peek() >= 0 && peek() != '\n') ++pos_;
  if (pos_ == start) return false;
  if (peek() == '\n') ++pos_;
  return true;
}

bool SettingsReader::skip_token() {
  skip_space();
  const std::size_t start = pos_;
  while (peek() >= 0 && !at_space()) ++pos_;
  return pos_ > start;
}

bool SettingsReader::read_float(float* value) {
  skip_space();
  const std::size_t start = pos_;
  if (peek() == '+' || peek() == '-') ++pos_;
  // Not-a-number and infinity are numbers to scanf, but not settings.
  if (consume_word("nan") || consume_word("infinity") || consume_word("inf")) return false;
  std::size_t digits = 0;
  while (at_digit()) ++pos_, ++digits;
  if (peek() == '.') {
    ++pos_;
    while (at_digit()) ++pos_, ++digits;
  }
  if (digits == 0) {
    pos_ = start;
    return false;
  }
  if ((peek() == 'e' || peek() == 'E') &&
      (is_digit(peek(1)) || ((peek(1) == '+' || peek(1) == '-') && is_digit(peek(2))))) {
    pos_ += is_digit(peek(1)) ? 1 : 2;
    while (at_digit()) ++pos_;
  }
  double v = 0.0;
  if (!kd71::c_locale::parse_double(text_.substr(start, pos_ - start), &v) || !std::isfinite(v) ||
      std::fabs(v) > kFloatMax)
    return false;
  *value = static_cast<float>(v);
  return true;
}

bool SettingsReader::read_int(int* value) {
  skip_space();
  const std::size_t start = pos_;
  bool negative = false;
  if (peek() == '+' || peek() == '-') negative = text_[pos_++] == '-';
  if (!at_digit()) {
    pos_ = start;
    return false;
  }
  long long v = 0;
  bool overflow = false;
  while (at_digit()) {
    v = v * 10 + (text_[pos_++] - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) {
      overflow = true;
      v = 0;
    }
  }
  if (negative) v = -v;
  if (overflow || v > INT_MAX || v < INT_MIN) return false;
  *value = static_cast<int>(v);
  return true;
}

void SettingsReader::skip_char() {
  if (pos_ < text_.size()) ++pos_;
}
