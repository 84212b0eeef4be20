// Version texts of the program.
#pragma once

inline constexpr const char* kVersionText = "V 1.0.8";
// The name and the version are 27 blanks apart.
inline constexpr const char* kMainPanelTitle =
    "Error Detector - KOLVIDRA                           V 1.0.8";

// Date and time of the build, in the form "Feb 28 2017 16:54:02".
const char* build_stamp();
