// Version texts of the program.
#pragma once

#include "ui/version_number.h"

inline constexpr const char* kVersionText = "V " KD71_VERSION_NUMBER;
// The name and the version are 27 blanks apart.
inline constexpr const char* kMainPanelTitle =
    "Error Detector - KOLVIDRA                           V " KD71_VERSION_NUMBER;

// Date and time of the build, in the form "Feb 28 2017 16:54:02".
const char* build_stamp();
