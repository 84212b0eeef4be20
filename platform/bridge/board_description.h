// How the instrument's USB bridge describes itself, and the one rule for
// recognising it: the description "VORN_KD71_2CH" in any letter case.
#pragma once

#include <string>
#include <string_view>

namespace kd71 {

inline constexpr const char* kBoardDescription = "VORN_KD71_2CH";

bool describes_board(std::string_view description);

// The bridge's EEPROM holds a serial number of at most 15 characters.
inline constexpr std::size_t kMaxSerialLength = 15;

// A serial number a user may name to choose a board: 1 to 15 letters,
// digits, '.', '-' or '_'. It also names the board's lock and settings file,
// so nothing in it may reach another folder. Empty when it is fine, else
// what is wrong with it.
std::string serial_problem(std::string_view serial);

}  // namespace kd71
