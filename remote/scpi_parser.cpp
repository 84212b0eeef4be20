#include "remote/scpi_parser.h"

#include <cmath>

#include <limits>

#include "platform/os/c_locale.h"
#include "remote/scpi_errors.h"

namespace kd71::scpi {

namespace {

constexpr char kUnitSeparator = ';';
constexpr char kParamSeparator = ',';
constexpr char kPathSeparator = ':';
constexpr char kQueryMark = '?';
constexpr char kCommonMark = '*';
constexpr int kLargestSuffix = std::numeric_limits<int>::max() / 10;

bool is_blank(char c) { return c == ' ' || c == '\t'; }
// ASCII letters, whatever the locale: a Turkish desktop's toupper('i') is
// not 'I'.
bool is_alpha(char c) { return kd71::c_locale::ascii_letter(c); }
bool is_digit(char c) { return kd71::c_locale::ascii_digit(c); }
bool is_quote(char c) { return c == '"' || c == '\''; }
// Printable ASCII and the tab: everything else is junk on a command line.
bool is_valid(char c) { return c == '\t' || (c >= 0x20 && c <= 0x7E); }

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = kd71::c_locale::ascii_upper(c);
  return out;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

// Reads units one at a time; the failure of one is recorded in it and the
// reading goes on with the next.
class UnitReader {
 public:
  explicit UnitReader(Unit& unit) : unit_(unit) {}

  void read(std::string_view text) {
    for (char c : text)
      if (!is_valid(c)) return fail(kSyntaxError, "invalid character");
    std::size_t end = 0;
    if (!read_header(text, &end)) return;
    std::string_view rest = text.substr(end);
    if (rest.empty()) return;
    if (!is_blank(rest.front())) return fail(kSyntaxError, "unexpected character in the header");
    read_params(trim(rest));
  }

 private:
  void fail(int code, const char* detail) {
    if (unit_.error != 0) return;
    unit_.error = code;
    unit_.detail = detail;
  }

  // The header at the start of `text`; `end` is where it stops.
  bool read_header(std::string_view text, std::size_t* end) {
    Header& h = unit_.header;
    std::size_t i = 0;
    if (text[0] == kCommonMark) {
      h.common = true;
      i = 1;
      const std::size_t start = i;
      while (i < text.size() && is_alpha(text[i])) ++i;
      if (i == start) return fail(kSyntaxError, "no name after '*'"), false;
      if (i - start > kMaxMnemonic) return fail(kMnemonicTooLong, "common command"), false;
      h.parts.push_back({upper(text.substr(start, i - start)), 0, false});
    } else {
      if (text[0] != kPathSeparator && !is_alpha(text[0]))
        return fail(kCommandError, "no command header"), false;
      h.absolute = text[0] == kPathSeparator;
      if (h.absolute) i = 1;
      for (;;) {
        if (!read_mnemonic(text, &i)) return false;
        if (i >= text.size() || text[i] != kPathSeparator) break;
        ++i;
      }
    }
    if (i < text.size() && text[i] == kQueryMark) {
      h.query = true;
      ++i;
    }
    *end = i;
    return true;
  }

  bool read_mnemonic(std::string_view text, std::size_t* at) {
    std::size_t i = *at;
    const std::size_t start = i;
    if (i >= text.size() || !is_alpha(text[i]))
      return fail(kSyntaxError, "empty header part"), false;
    while (i < text.size() && (is_alpha(text[i]) || text[i] == '_')) ++i;
    Mnemonic m;
    m.name = upper(text.substr(start, i - start));
    if (m.name.size() > kMaxMnemonic) return fail(kMnemonicTooLong, m.name.c_str()), false;
    if (i < text.size() && is_digit(text[i])) {
      m.has_suffix = true;
      while (i < text.size() && is_digit(text[i])) {
        if (m.suffix > kLargestSuffix) return fail(kHeaderSuffixOutOfRange, "suffix"), false;
        m.suffix = m.suffix * 10 + (text[i] - '0');
        ++i;
      }
    }
    if (i < text.size() && (is_alpha(text[i]) || text[i] == '_'))
      return fail(kSyntaxError, "letters after a header suffix"), false;
    unit_.header.parts.push_back(std::move(m));
    *at = i;
    return true;
  }

  void read_params(std::string_view text) {
    std::size_t i = 0;
    for (;;) {
      // One element, up to the next separator outside quotes.
      std::size_t j = i;
      char quote = 0;
      for (; j < text.size(); ++j) {
        if (quote) {
          if (text[j] == quote) quote = 0;  // a doubled quote reopens at once
        } else if (is_quote(text[j])) {
          quote = text[j];
        } else if (text[j] == kParamSeparator) {
          break;
        }
      }
      if (quote) return fail(kSyntaxError, "string without its closing quote");
      if (!read_param(trim(text.substr(i, j - i)))) return;
      if (j >= text.size()) return;
      i = j + 1;
    }
  }

  bool read_param(std::string_view p) {
    if (p.empty()) return fail(kMissingParameter, "empty parameter"), false;
    Param param;
    const char c = p.front();
    if (is_quote(c)) {
      param.type = Param::Type::Text;
      std::size_t i = 1;
      for (; i < p.size(); ++i) {
        if (p[i] != c) {
          param.text += p[i];
        } else if (i + 1 < p.size() && p[i + 1] == c) {
          param.text += c;
          ++i;
        } else {
          break;
        }
      }
      if (i + 1 != p.size()) return fail(kSyntaxError, "text after a string"), false;
    } else if (is_alpha(c)) {
      param.type = Param::Type::Word;
      for (char ch : p)
        if (!is_alpha(ch) && !is_digit(ch) && ch != '_')
          return fail(kSyntaxError, "unexpected character in a parameter"), false;
      if (p.size() > kMaxMnemonic) return fail(kMnemonicTooLong, "parameter"), false;
      param.text = upper(p);
    } else if (is_digit(c) || c == '+' || c == '-' || c == '.') {
      if (!read_number(p, &param.number)) return false;
    } else {
      return fail(kSyntaxError, "unexpected character in a parameter"), false;
    }
    unit_.params.push_back(std::move(param));
    return true;
  }

  // A decimal number: sign, digits with an optional point, optional
  // exponent. A unit after it ("5 mV") is not taken.
  bool read_number(std::string_view p, double* value) {
    std::size_t i = 0;
    if (p[i] == '+' || p[i] == '-') ++i;
    std::size_t digits = 0;
    while (i < p.size() && is_digit(p[i])) ++i, ++digits;
    if (i < p.size() && p[i] == '.') {
      ++i;
      while (i < p.size() && is_digit(p[i])) ++i, ++digits;
    }
    if (digits == 0) return fail(kSyntaxError, "malformed number"), false;
    if (i < p.size() && (p[i] == 'e' || p[i] == 'E')) {
      std::size_t k = i + 1;
      if (k < p.size() && (p[k] == '+' || p[k] == '-')) ++k;
      if (k < p.size() && is_digit(p[k])) {
        while (k < p.size() && is_digit(p[k])) ++k;
        i = k;
      }
    }
    const std::string_view number = p.substr(0, i);
    const std::string_view after = trim(p.substr(i));
    if (!after.empty())
      return fail(is_alpha(after.front()) ? kSuffixNotAllowed : kSyntaxError,
                  is_alpha(after.front()) ? "numbers take no unit" : "malformed number"),
             false;
    if (!kd71::c_locale::parse_double(number, value))
      return fail(kDataOutOfRange, "number too large"), false;
    // A number too small for a double would read as 0 (or lose its
    // precision): 1e-400 is not the 0 a command would act on.
    const bool nonzero_digits = number.substr(0, number.find_first_of("eE"))
                                    .find_first_of("123456789") != std::string_view::npos;
    if (nonzero_digits && (*value == 0.0 || std::fpclassify(*value) == FP_SUBNORMAL))
      return fail(kDataOutOfRange, "number too small"), false;
    return true;
  }

  Unit& unit_;
};

}  // namespace

std::vector<Unit> parse_message(std::string_view message) {
  std::vector<Unit> units;
  std::size_t start = 0;
  char quote = 0;
  for (std::size_t i = 0; i <= message.size(); ++i) {
    const bool at_end = i == message.size();
    if (!at_end && quote) {
      if (message[i] == quote) quote = 0;
      continue;
    }
    if (!at_end && is_quote(message[i])) {
      quote = message[i];
      continue;
    }
    if (!at_end && message[i] != kUnitSeparator) continue;
    const std::string_view text = trim(message.substr(start, i - start));
    start = i + 1;
    if (text.empty()) continue;
    Unit unit;
    UnitReader(unit).read(text);
    units.push_back(std::move(unit));
  }
  return units;
}

}  // namespace kd71::scpi
