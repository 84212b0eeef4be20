#include "platform/bridge/board_description.h"

#include "platform/os/c_locale.h"

namespace kd71 {

bool describes_board(std::string_view description) {
  const std::string_view board = kBoardDescription;
  if (description.size() != board.size()) return false;
  for (std::size_t i = 0; i < board.size(); ++i) {
    if (c_locale::ascii_upper(description[i]) != c_locale::ascii_upper(board[i])) return false;
  }
  return true;
}

std::string serial_problem(std::string_view serial) {
  if (serial.empty() || serial.size() > kMaxSerialLength)
    return "a serial number has 1 to 15 characters";
  for (const char c : serial) {
    if (!c_locale::ascii_letter(c) && !c_locale::ascii_digit(c) && c != '.' && c != '-' && c != '_')
      return "a serial number has only letters, digits, '.', '-' and '_'";
  }
  return {};
}

}  // namespace kd71
