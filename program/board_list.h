// kd71 --list-boards: the boards attached to this PC, one line each, for a
// user choosing one with --serial:
//   KD71SIM000001  VORN_KD71_2CH  bus 2 port 1.1  may be opened
// the serial number, the description, where it is plugged in, and whether
// this user may open it (else the line that tells how to mend that).
#pragma once

#include <cstdio>
#include <string>

// Lists the boards on the installed bridge backend (of serial number
// `serial` alone, when it is not ""). Returns the exit code: 0 when one was
// listed, 1 when none is attached (a line on standard error says so).
int list_boards(std::FILE* out, const std::string& serial);
