// The settings file: the saved-settings record, written at quit and read at
// start-up, and the "Save As Configuration" / "Open Configuration" commands.
#pragma once

#include <string>
#include <string_view>

#include "app/saved_settings.h"

inline constexpr int kSettingsValues = 14;
inline constexpr const char* kSettingsHeader = "VORN_KD71_2CH Configuration Data";

// The file's text for the current record.
std::string settings_text();

// Writes the record to `path`; 1 when written, 0 when it was not: the file
// could not be written completely, or what is there is not to be replaced
// (not a regular file, or a file this user may not write or that is made
// read-only). The previous file is then left as it was, and one console line
// names the file and the reason.
int SaveSettings(const char* path);
// Reads `path` into the record and the main panel's controls; -1 when it
// cannot be opened or is not a regular file (a FIFO or a folder is never
// opened), otherwise the number of the fourteen values that could not be
// read (0 for a complete file).
//
// After the header line, each line "key value" goes to the field of its
// key; a line holding a value alone goes to the field of its place among
// the value lines, as in files of old; blank lines and lines that begin
// with '#' are skipped. A line with an unknown key, a repeated key, or a
// value that is not wholly a number within its field's range changes
// nothing, and one console line names the file, the line and why.
int RestoreSettings(const char* path);
// The same for the file's text; `source` names it in the console lines.
int restore_settings_text(std::string_view text, const char* source = "settings text");

void FileSaveAs(int menuBar, int menuItem, void* callbackData, int panel);
void FileOpen(int menuBar, int menuItem, void* callbackData, int panel);

void settings_reset();
