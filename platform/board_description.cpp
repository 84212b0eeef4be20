#include "platform/board_description.h"

#include "platform/c_locale.h"

namespace kd71 {

bool describes_board(std::string_view description) {
  const std::string_view board = kBoardDescription;
  if (description.size() != board.size()) return false;
  for (std::size_t i = 0; i < board.size(); ++i) {
    if (c_locale::ascii_upper(description[i]) != c_locale::ascii_upper(board[i])) return false;
  }
  return true;
}

}  // namespace kd71
