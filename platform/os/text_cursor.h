// Text put together in a fixed buffer of the caller's, with numbers in the
// C conventions whatever the locale (std::to_chars), and no allocation: for
// the log rows written on the tick and the verdict texts.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

class TextCursor {
 public:
  // Writes into buffer[0 .. size - 2]; terminate() adds the NUL.
  TextCursor(char* buffer, std::size_t size)
      : begin_(buffer), at_(buffer), end_(buffer + size - 1) {}

  TextCursor& text(std::string_view s) {
    const std::size_t n = std::min(s.size(), room());
    std::memcpy(at_, s.data(), n);
    at_ += n;
    return *this;
  }
  TextCursor& ch(char c) { return text(std::string_view(&c, 1)); }
  // The shortest text that reads back as the same double: "1e-12", "95".
  TextCursor& number(double v) { return moved(std::to_chars(at_, end_, v).ptr); }
  TextCursor& scientific(double v, int digits) {
    return moved(std::to_chars(at_, end_, v, std::chars_format::scientific, digits).ptr);
  }
  TextCursor& fixed(double v, int digits) {
    return moved(std::to_chars(at_, end_, v, std::chars_format::fixed, digits).ptr);
  }
  TextCursor& integer(std::uint64_t v) { return moved(std::to_chars(at_, end_, v).ptr); }
  TextCursor& integer(int v) { return moved(std::to_chars(at_, end_, v).ptr); }
  // `v` with leading zeros to `width` digits.
  TextCursor& padded(unsigned v, int width) {
    char digits[16];
    const char* last = std::to_chars(digits, digits + sizeof digits, v).ptr;
    for (long pad = width - (last - digits); pad > 0; --pad) ch('0');
    return text(std::string_view(digits, static_cast<std::size_t>(last - digits)));
  }

  std::size_t size() const { return static_cast<std::size_t>(at_ - begin_); }
  // Ends the text with a NUL; returns the buffer.
  const char* terminate() {
    *at_ = '\0';
    return begin_;
  }

 private:
  std::size_t room() const { return static_cast<std::size_t>(end_ - at_); }
  // to_chars leaves the cursor where it was when the number does not fit.
  TextCursor& moved(char* to) {
    at_ = to;
    return *this;
  }

  char* begin_;
  char* at_;
  char* end_;
};
