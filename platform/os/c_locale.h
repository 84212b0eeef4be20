// Numbers as text in the C conventions, whatever locale the user's desktop
// (or the window toolkit, which adopts it at start-up) has set: a point
// before the decimals, no digit grouping. The settings file, the displayed
// figures, the console lines, the bus trace and every file the program
// writes or reads go through here, so a file written under one locale reads
// back the same under any other.
//
// Formatting runs the C library's printf under a C locale object set for the
// calling thread only, for the length of the call; the process locale and
// the toolkit's own formatting are left alone. Parsing takes no locale at
// all (std::from_chars).
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace kd71::c_locale {

// snprintf in the C conventions: at most `size` bytes including the NUL;
// returns what snprintf returns.
int format_to(char* out, std::size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
int vformat_to(char* out, std::size_t size, const char* format, std::va_list args);
// The whole formatted text, however long.
std::string format(const char* format, ...) __attribute__((format(printf, 1, 2)));
// fprintf / vfprintf in the C conventions.
int print(std::FILE* out, const char* format, ...) __attribute__((format(printf, 2, 3)));
int vprint(std::FILE* out, const char* format, std::va_list args);

// The whole of `text` as a decimal floating-point number: an optional sign
// ('+' or '-'), digits with an optional point, an optional exponent; also
// "inf" and "nan" as strtod spells them. No white space. A value too small
// for a double reads as zero of its sign, as strtod gives it; one too large
// fails. `value` changes only on success.
bool parse_double(std::string_view text, double* value);
// The whole of `text` as an integer with an optional sign. Base 10, or with
// `base` 0 a "0x"/"0X" prefix selects hexadecimal. Fails on overflow.
bool parse_integer(std::string_view text, long long* value, int base = 10);

// Letter case and letters of ASCII text, the C locale's way: protocol words
// and device descriptions compare the same under a Turkish desktop, where
// toupper('i') is not 'I'.
constexpr char ascii_upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
constexpr bool ascii_letter(char c) { return ascii_upper(c) >= 'A' && ascii_upper(c) <= 'Z'; }
constexpr bool ascii_digit(char c) { return c >= '0' && c <= '9'; }

// While it lives, the C library's number conversions on this thread (printf,
// scanf, strtod and kin) use the C conventions. For code that hands a format
// on to the library, such as a log writer.
class Scope {
 public:
  Scope();
  ~Scope();
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;

 private:
  void* previous_;  // the thread's locale_t before
};

}  // namespace kd71::c_locale
