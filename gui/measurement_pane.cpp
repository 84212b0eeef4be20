#include "gui/measurement_pane.h"

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QVBoxLayout>
#include <string>

#include "gui/ber_controls.h"
#include "gui/file_dialog.h"
#include "gui/own_settings.h"
#include "gui/ratio_chart.h"
#include "platform/ui_runtime/userint.h"
#include "results/measurement_log.h"

namespace kd71::qt {

namespace {

constexpr int kPaneLines = 10;  // the pane's height in lines of text

// Starts a log in the file the user names, or ends the one being written.
void toggle_log(QWidget* parent) {
  if (measurement_log_active()) {
    stop_measurement_log();
    return;
  }
  ui::FileSelectRequest request;
  request.default_file_spec = "*.csv";
  request.file_type_list = "*.csv";
  request.title = "Log Measurements";
  request.button_kind = VAL_SAVE_BUTTON;
  std::string path;
  // An existing log is appended to, not replaced: no question about it.
  if (run_file_dialog(parent, request, path, false) == VAL_NO_FILE_SELECTED) return;
  std::string error;
  if (!start_measurement_log(path, &error))
    QMessageBox::warning(parent, QObject::tr("Log Measurements"),
                         QObject::tr("Cannot log to %1: %2")
                             .arg(QString::fromStdString(path), QString::fromStdString(error)));
}

}  // namespace

MeasurementPane::MeasurementPane(QWidget* parent) : QWidget(parent) {
  setObjectName(QString::fromLatin1(kMeasurementPaneName));
  auto* controls = new QFormLayout;
  controls->setContentsMargins(0, 0, 0, 0);
  span_ = new QComboBox;
  span_->setObjectName(QStringLiteral("chart_span"));
  for (const ChartSpan& s : chart_spans()) span_->addItem(QString::fromLatin1(s.name), s.seconds);
  target_ = new CriterionBox(CriterionBox::Kind::Target);
  target_->setObjectName(QStringLiteral("target_ber"));
  confidence_ = new CriterionBox(CriterionBox::Kind::Confidence);
  confidence_->setObjectName(QStringLiteral("confidence"));
  log_state_ = new QLabel;
  log_state_->setObjectName(QStringLiteral("log_state"));
  controls->addRow(tr("Span"), span_);
  controls->addRow(tr("Target BER"), target_);
  controls->addRow(tr("Confidence"), confidence_);
  controls->addRow(tr("Log"), log_state_);

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(6, 2, 6, 2);
  row->addLayout(controls);
  for (int n = 1; n <= 2; ++n) {
    auto* column = new QVBoxLayout;
    verdicts_[n - 1] = new VerdictLabel(n);
    verdicts_[n - 1]->setObjectName(QStringLiteral("verdict_ch%1").arg(n));
    charts_[n - 1] = new RatioChart(n);
    charts_[n - 1]->setObjectName(QStringLiteral("ratio_chart_ch%1").arg(n));
    column->addWidget(verdicts_[n - 1]);
    column->addWidget(charts_[n - 1], 1);
    row->addLayout(column, 1);
  }
  connect(span_, &QComboBox::currentIndexChanged, this, [this] {
    for (RatioChart* c : charts_) c->set_span(span_->currentData().toDouble());
  });
  remember_entries(QStringLiteral("charts"), {span_});

  // Below the panel, which keeps the height it needs: the charts take what
  // is left of a 1280 x 800 screen.
  setFixedHeight(fontMetrics().height() * kPaneLines);

  timer_ = new QTimer(this);
  timer_->setInterval(kPaneRefreshMs);
  connect(timer_, &QTimer::timeout, this, &MeasurementPane::refresh);
  timer_->start();
  refresh();
}

void MeasurementPane::refresh() {
  target_->show_value();
  confidence_->show_value();
  const bool logging = measurement_log_active();
  const QString log_text =
      logging ? QFileInfo(QString::fromStdString(measurement_log_path())).fileName() : tr("off");
  if (log_state_->text() != log_text) {
    log_state_->setText(log_text);
    log_state_->setToolTip(logging ? QString::fromStdString(measurement_log_path()) : QString());
  }
  if (log_action_ && log_action_->isChecked() != logging) log_action_->setChecked(logging);
  for (VerdictLabel* v : verdicts_) v->refresh();
  for (RatioChart* c : charts_) c->refresh();
}

MeasurementPane* attach_measurement_pane(QMainWindow* window, QMenu* file_menu) {
  auto* pane = new MeasurementPane;
  auto* dock = new QDockWidget(QObject::tr("Error Ratio"), window);
  dock->setObjectName(QStringLiteral("measurement_dock"));
  dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
  dock->setTitleBarWidget(new QWidget);  // no title bar: part of the window
  dock->setWidget(pane);
  window->addDockWidget(Qt::BottomDockWidgetArea, dock);

  auto* log = new QAction(QObject::tr("Log Measurements..."), window);
  log->setObjectName(QString::fromLatin1(kLogActionName));
  log->setCheckable(true);
  file_menu->addAction(log);
  QObject::connect(log, &QAction::triggered, window, [window, pane] {
    toggle_log(window);
    pane->refresh();
  });
  pane->follow_log_action(log);
  pane->refresh();
  return pane;
}

}  // namespace kd71::qt
