// Start-up, single instance and shutdown of the program.
#pragma once

#include <string>

#include "app/panel_handles.h"

// Name of the system-wide single-instance lock.
inline constexpr const char* kInstanceLockName = "com_kolvidra_apps_KD71_2CH";
inline constexpr const char* kSettingsFile = "settings.cfg";

// One copy of the program per board: a copy for a chosen board (--serial SN)
// takes the guard of that board alone, "<kInstanceLockName>.SN", and keeps
// its settings in "settings-SN.cfg"; without a chosen board it is the guard
// and the settings file as ever. `serial` is a checked serial number or "";
// `settings_file` the user's own file, or "" for the default.
void run_for_board(const std::string& serial, const std::string& settings_file);
// The guard's name and the settings file of this copy.
std::string instance_lock_name();
const std::string& settings_file_path();

// The program: guard, main panel, restored settings, first tick, event loop.
// Returns 0 after a normal quit, 1 when another instance runs, -1 when the
// main panel cannot be loaded.
int kd71_main(int argc, char* argv[]);

// The first step of start-up, taken before anything else of the program is
// touched: the single-instance guard. Returns 0 when this process may run
// (it holds the guard, or no lock file can be had, which a line says), or 1
// after telling a second copy that the program already runs.
int take_instance_guard();

// Everything after the guard: start-up, the event loop until the quit, and
// the guard's release. Returns 0 after a normal quit, -1 when the main panel
// cannot be loaded.
int run_program();

// Start-up after the guard: binds the callbacks, loads and shows the main
// panel, restores the settings, dims the controls that need a board and
// runs the first tick. Returns -1 when the main panel cannot be loaded.
int start_program();

// Binds every built callback to its name in the panel definitions.
void kd71_bind_callbacks();

// Puts the start-up module back to its start state.
void startup_reset();
