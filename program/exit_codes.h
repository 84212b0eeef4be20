// The exit codes of the command-line modes that measure and quit (a timed
// test, an eye scan), and how long they wait for a board.
#pragma once

inline constexpr int kExitPassed = 0;
// The command line is wrong, or a file it names cannot be written.
inline constexpr int kExitBadOutput = 2;
inline constexpr int kExitFailed = 3;
inline constexpr int kExitNoBoard = 4;
// Seconds a mode waits for the board to be connected before it gives up
// with kExitNoBoard.
inline constexpr double kBoardWait = 30.0;
