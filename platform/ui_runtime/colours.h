// The colours the panels are painted with, as the 0xRRGGBB values of the
// colour attributes.
#pragma once

inline constexpr int kBlack = 0x000000;
inline constexpr int kWhite = 0xFFFFFF;
inline constexpr int kRed = 0xFF0000;
inline constexpr int kDarkRed = 0x800000;
inline constexpr int kPink = 0xFFCCCC;
inline constexpr int kGreen = 0x00FF00;
inline constexpr int kDarkGreen = 0x008000;
inline constexpr int kLightGreen = 0x80FF80;
inline constexpr int kYellow = 0xFFFF00;
inline constexpr int kMagenta = 0xFF00FF;
inline constexpr int kPurple = 0x800080;
inline constexpr int kLightGrey = 0xC0C0C0;
