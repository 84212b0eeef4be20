// The file-selection popup as a Qt file dialog.
#pragma once

#include <string>

#include "platform/ui_runtime/ui_frontend.h"

class QWidget;

namespace kd71::qt {

// Save mode (button kind VAL_SAVE_BUTTON) accepts a new or an existing name
// and asks before an existing file is replaced; load and select modes accept
// existing files only. Returns VAL_EXISTING_FILE_SELECTED,
// VAL_NEW_FILE_SELECTED or VAL_NO_FILE_SELECTED (cancelled), and the chosen
// path in `path`. Without `ask_before_replacing`, save mode takes an
// existing file at once (for files that are appended to).
int run_file_dialog(QWidget* parent, const ui::FileSelectRequest& request, std::string& path,
                    bool ask_before_replacing = true);
// The save dialog for a file to be replaced: its path, "" when cancelled.
std::string save_file_path(QWidget* parent, const char* title, const char* pattern);
// The open dialog for a file to be read: its path, "" when cancelled.
std::string load_file_path(QWidget* parent, const char* title, const char* pattern);

}  // namespace kd71::qt
