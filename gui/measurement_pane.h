// The main window's pane of the program's own measurement views, under the
// panel: the span of the charts, the target ratio and confidence level of
// the timed tests, the log's state, and per channel its verdict and its
// error-ratio chart. Also the File menu's "Log Measurements...", checked
// while a log is written. All of it is refreshed twice a second by the
// pane's own timer, never from the measurement tick.
#pragma once

#include <QWidget>

class QAction;
class QComboBox;
class QLabel;
class QMainWindow;
class QMenu;
class QTimer;

namespace kd71::qt {

class CriterionBox;
class RatioChart;
class VerdictLabel;

inline constexpr int kPaneRefreshMs = 500;
// Object names of the pane and of its parts, for finding them.
inline constexpr const char* kMeasurementPaneName = "measurement_pane";
inline constexpr const char* kLogActionName = "log_measurements";

class MeasurementPane : public QWidget {
 public:
  explicit MeasurementPane(QWidget* parent = nullptr);

  void refresh();
  RatioChart* chart(int channel) const { return charts_[channel - 1]; }
  // The log's action, kept checked while a log is written.
  void follow_log_action(QAction* action) { log_action_ = action; }

 private:
  QComboBox* span_ = nullptr;
  CriterionBox* target_ = nullptr;
  CriterionBox* confidence_ = nullptr;
  QLabel* log_state_ = nullptr;
  VerdictLabel* verdicts_[2] = {};
  RatioChart* charts_[2] = {};
  QAction* log_action_ = nullptr;
  QTimer* timer_ = nullptr;
};

// Puts the pane under the main window's panel and "Log Measurements..."
// into its File menu.
MeasurementPane* attach_measurement_pane(QMainWindow* window, QMenu* file_menu);

}  // namespace kd71::qt
