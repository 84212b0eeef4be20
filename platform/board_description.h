// How the instrument's USB bridge describes itself, and the one rule for
// recognising it: the description "VORN_KD71_2CH" in any letter case.
#pragma once

#include <string_view>

namespace kd71 {

inline constexpr const char* kBoardDescription = "VORN_KD71_2CH";

bool describes_board(std::string_view description);

}  // namespace kd71
