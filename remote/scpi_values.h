// Parameters and answers of the remote-control commands: reading a
// number, a boolean or a word from a command's parameters (queuing the
// error when it does not fit), and writing numbers, booleans and strings in
// the forms of IEEE 488.2, with a decimal point whatever the locale.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "remote/scpi_session.h"

namespace kd71::scpi {

// SCPI's "not a number" and "infinity" in answers.
inline constexpr double kNotANumber = 9.91e37;
inline constexpr double kInfinity = 9.9e37;

struct Range {
  double min;
  double max;
  double def;
};

// Parameter `i` as a number within `range`; MINimum, MAXimum and DEFault
// stand for its ends and its default. False, with the error queued
// (-104 a word or string, -222 outside the range), otherwise.
bool number_param(Context& c, std::size_t i, const Range& range, double* value);
// The optional MINimum|MAXimum|DEFault of a query: true with `value` set
// when one is given, false when there is none or (error queued) another word.
bool range_query(Context& c, const Range& range, double* value, bool* given);
// ON, OFF, or a number (non-zero is ON).
bool bool_param(Context& c, std::size_t i, bool* value);

// A word of a parameter and the value it stands for.
struct Choice {
  const char* word;  // upper case
  int value;
};
// Parameter `i` as one of `choices` (-104 not a word, -224 another word).
bool choice_param(Context& c, std::size_t i, std::span<const Choice> choices, int* value);
// The word of `value`, or "" when none has it.
const char* choice_word(std::span<const Choice> choices, int value);

// Answers.
std::string nr1(long long value);
std::string nr1(std::uint64_t value);
// A fixed number of decimals ("-12.50").
std::string nr2(double value, int decimals);
// Exponent form with seven significant digits ("5.820766E-11"); NaN and
// the infinities as SCPI writes them.
std::string nr3(double value);
std::string boolean(bool value);
// A string answer in double quotes, quotes inside doubled.
std::string quoted(std::string_view text);

}  // namespace kd71::scpi
