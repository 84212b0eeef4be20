// Reading one SCPI program message (one line, without its terminator) into
// its units: the commands and queries separated by ";", each a header
// (":INPut1:PATTern", "*IDN?") with its parameters. Nothing here knows the
// command tree; a unit that cannot be read carries the error it gets.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kd71::scpi {

// SCPI's limit on a mnemonic's length.
inline constexpr std::size_t kMaxMnemonic = 12;

struct Mnemonic {
  std::string name;  // upper case, without its numeric suffix
  int suffix = 0;    // the numeric suffix as typed
  bool has_suffix = false;
};

struct Header {
  bool common = false;    // "*IDN?" and kin: one part, the name without the star
  bool absolute = false;  // starts at the root (a leading ':')
  bool query = false;     // ends in '?'
  std::vector<Mnemonic> parts;
};

struct Param {
  enum class Type { Number, Word, Text };
  Type type = Type::Number;
  double number = 0.0;  // Number
  std::string text;     // Word: upper case; Text: the quoted string's contents
};

struct Unit {
  Header header;
  std::vector<Param> params;
  int error = 0;       // 0, or the error the unit cannot be read for
  std::string detail;  // what is wrong, for the error queue
};

// The units of `message` in order. Empty units (a trailing ";", or a line
// of blanks) are left out.
std::vector<Unit> parse_message(std::string_view message);

}  // namespace kd71::scpi
