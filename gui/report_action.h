// The File menu's "Save Test Report...": the test report of the runs as
// they stand (a run under way shows as running, not as passed), written to
// the file the user names.
#pragma once

class QMainWindow;
class QMenu;

namespace kd71::qt {

inline constexpr const char* kReportActionName = "save_test_report";

void add_report_action(QMainWindow* window, QMenu* file_menu);

}  // namespace kd71::qt
