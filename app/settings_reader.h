// A reader of the settings file's text with the conversions of the C
// library's scanf ("%[^\n]%*c", "%s", " %f", " %d", "%*c"). Tokens are
// skipped, not copied, so a key or header of any length is safe.
#pragma once

#include <string>
#include <string_view>

class SettingsReader {
 public:
  explicit SettingsReader(std::string_view text) : text_(text) {}

  // "%[^\n]%*c": the rest of the line and its line feed. Fails on an empty
  // line (the line feed then stays) and at the end of the text.
  bool skip_line();
  // "%s": skips white space, then a token of non-white characters.
  bool skip_token();
  // " %f": skips white space, then reads a number as scanf would. False when
  // no number starts there (only white space is consumed then), and also for
  // "nan" and "inf", which are consumed but refused; `value` changes only on
  // success.
  bool read_float(float* value);
  // " %d": the same for a decimal integer; one that overflows int is
  // consumed and refused.
  bool read_int(int* value);
  // "%*c": one character, whatever it is.
  void skip_char();

  std::size_t position() const { return pos_; }

 private:
  int peek(std::size_t ahead = 0) const;
  bool at_space() const;
  bool at_digit() const;
  void skip_space();
  bool consume_word(std::string_view word);

  std::string_view text_;
  std::size_t pos_ = 0;
};
