#include "platform/board_description.h"

#include <cctype>

namespace kd71 {

bool describes_board(std::string_view description) {
  const std::string_view board = kBoardDescription;
  if (description.size() != board.size()) return false;
  for (std::size_t i = 0; i < board.size(); ++i) {
    const auto a = static_cast<unsigned char>(description[i]);
    const auto b = static_cast<unsigned char>(board[i]);
    if (std::toupper(a) != std::toupper(b)) return false;
  }
  return true;
}

}  // namespace kd71
