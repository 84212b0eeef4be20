#include "gui/eye_scan_window.h"

#include <QAction>
#include <QBuffer>
#include <QByteArray>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <string>

#include "app/panel_handles.h"
#include "app/threshold_search.h"
#include "eye_scan/eye_json_report.h"
#include "eye_scan/eye_scan_report.h"
#include "gui/bathtub_chart.h"
#include "gui/eye_contour_view.h"
#include "gui/eye_map_view.h"
#include "gui/file_dialog.h"
#include "gui/own_settings.h"
#include "gui/q_scale_view.h"
#include "platform/os/atomic_file.h"
#include "platform/ui_runtime/userint.h"
#include "ui/channel_controls.h"

namespace kd71::qt {

namespace {

const QKeySequence kEyeScanKeys(Qt::CTRL | Qt::Key_E);
// The ratios a point may be asked to resolve, and the ratios an opening
// may be taken at, beside the smallest the scan resolves (0).
constexpr double kResolveRatios[] = {1e-9, 1e-10, 1e-11, 1e-12};
constexpr int kFirstOpeningDecade = 3, kLastOpeningDecade = 12;

QString ratio_text(double ratio) {
  return QString::number(ratio, 'e', 0).remove(QStringLiteral("+"));
}

template <typename W>
W* named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// The threshold channel `n` sits at now, as a bathtub would take it.
double channel_threshold_mv(int n) {
  float mv = 0.0f;
  if (GetCtrlVal(panelHandle, kd71::channel_controls(n).threshold, &mv) < 0) return 0.0;
  return usable_threshold(mv);
}

}  // namespace

EyeScanWindow::EyeScanWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QString::fromLatin1(kEyeScanWindowName));
  setWindowTitle(tr("Eye Scan"));
  // Escape and Ctrl+W close the window as they close a dialog; a scan under
  // way stops after its point, as when the window is closed by its frame.
  for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)})
    connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);

  channel_ = named(new QComboBox, "eye_channel");
  channel_->addItem(tr("1"), 1);
  channel_->addItem(tr("2"), 2);
  kind_ = named(new QComboBox, "eye_kind");
  kind_->addItem(tr("Bathtub"), false);
  kind_->addItem(tr("2-D eye"), true);
  method_ = named(new QComboBox, "eye_method");
  method_->addItem(tr("Full grid"), false);
  method_->addItem(tr("Adaptive"), true);
  // Adaptive unless chosen otherwise: the figures in seconds; the grid is
  // there for a picture of every point.
  method_->setCurrentIndex(method_->findData(true));
  method_->setToolTip(
      tr("Adaptive: each wall of the eye found first and its tail sampled for the jitter "
         "(RJ, DJ, TJ) and Q-factor fits, in seconds; full grid: every delay (and threshold)"));
  delay_steps_ = named(new QSpinBox, "eye_delay_steps");
  delay_steps_->setRange(kEyeMinDelaySteps, kEyeMaxDelaySteps);
  delay_steps_->setValue(kEyeDefaultDelaySteps);
  delay_steps_->setToolTip(tr("Delay steps per bit period"));
  span_ = named(new QComboBox, "eye_span");
  span_->addItem(tr("One bit period"), static_cast<int>(DelaySpan::BitPeriod));
  span_->addItem(tr("Whole range"), static_cast<int>(DelaySpan::WholeRange));
  span_->setToolTip(
      tr("One bit period around the channel's sampling point, or the delay's whole range"));
  threshold_points_ = named(new QSpinBox, "eye_threshold_points");
  threshold_points_->setRange(kEyeMinThresholdPoints, kEyeMaxThresholdPoints);
  threshold_points_->setValue(kEyeDefaultThresholdPoints);
  init_range_ = named(new QCheckBox(tr("Range of the last Init")), "eye_init_range");
  init_range_->setChecked(true);
  init_range_->setToolTip(
      tr("The thresholds between the edges the channel's last initialisation found (the "
         "whole range without one)"));
  threshold_lo_ = named(new QDoubleSpinBox, "eye_threshold_lo");
  threshold_hi_ = named(new QDoubleSpinBox, "eye_threshold_hi");
  for (QDoubleSpinBox* box : {threshold_lo_, threshold_hi_}) {
    box->setRange(-kThresholdLimitMv, kThresholdLimitMv);
    box->setDecimals(2);
    box->setSuffix(tr(" mV"));
  }
  resolve_ = named(new QComboBox, "eye_resolve");
  resolve_->addItem(tr("One 20 ms count"), 0.0);
  for (double r : kResolveRatios) resolve_->addItem(ratio_text(r), r);
  resolve_->setToolTip(tr("The ratio each point resolves: more counts per point for lower ones"));

  auto* settings = new QGridLayout;
  int column = 0;
  auto add = [&](const QString& label, QWidget* w, int row) {
    auto* caption = new QLabel(label);
    caption->setBuddy(w);  // Alt and its underlined letter go to the box
    settings->addWidget(caption, row, column);
    settings->addWidget(w, row, column + 1);
  };
  add(tr("C&hannel"), channel_, 0);
  add(tr("Thresholds"), threshold_points_, 1);
  column = 2;
  add(tr("S&can"), kind_, 0);
  settings->addWidget(init_range_, 1, 2, 1, 2);
  column = 4;
  add(tr("&Delay steps"), delay_steps_, 0);
  add(tr("From"), threshold_lo_, 1);
  column = 6;
  add(tr("Span"), span_, 0);
  add(tr("To"), threshold_hi_, 1);
  column = 8;
  add(tr("Resolve"), resolve_, 0);
  add(tr("Method"), method_, 1);

  start_ = named(new QPushButton(tr("&Start")), "eye_scan_start");
  stop_ = named(new QPushButton(tr("S&top")), "eye_scan_stop");
  progress_ = named(new QProgressBar, "eye_scan_progress");
  progress_->setFormat(tr("%v of %m points"));
  auto* run = new QHBoxLayout;
  run->addWidget(start_);
  run->addWidget(stop_);
  run->addWidget(progress_, 1);

  bathtub_ = named(new BathtubChart, "bathtub_chart");
  eye_ = named(new EyeMapView, "eye_map");
  q_scale_ = named(new QScaleView, "q_scale");
  contours_ = named(new EyeContourView, "eye_contours");
  plots_ = new QWidget;
  auto* plots = new QHBoxLayout(plots_);
  plots->setContentsMargins(0, 0, 0, 0);
  plots->addWidget(bathtub_, 1);
  plots->addWidget(q_scale_, 1);
  plots->addWidget(eye_, 1);
  plots->addWidget(contours_, 1);
  contours_->hide();

  at_ratio_ = named(new QComboBox, "eye_at_ratio");
  at_ratio_->addItem(tr("Resolved"), 0.0);
  for (int d = kFirstOpeningDecade; d <= kLastOpeningDecade; ++d)
    at_ratio_->addItem(ratio_text(std::pow(10.0, -d)), std::pow(10.0, -d));
  at_ratio_->setToolTip(
      tr("The ratio the width, height and centre are taken at; \"Resolved\": the smallest the "
         "points resolve (no error counted)"));
  summary_ = named(new QLabel, "eye_scan_summary");
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  summary_->setWordWrap(true);
  apply_ = named(new QPushButton(tr("&Apply Centre")), "eye_scan_apply");
  apply_->setToolTip(
      tr("Sets the channel's sampling delay (and, after a 2-D scan, its threshold) to the "
         "eye's centre; a channel in automatic mode is switched to manual mode, where the "
         "board honours the delay"));
  export_ = named(new QPushButton(tr("&Export CSV...")), "eye_scan_export");
  save_plot_ = named(new QPushButton(tr("Save P&lot...")), "eye_scan_save_plot");
  report_ = named(new QPushButton(tr("Export Report...")), "eye_scan_report");
  report_->setToolTip(tr("The scan's figures as JSON: RJ, DJ, TJ and the width at 1e-12, the "
                         "Q-factor and height, the centre, the mask's result"));
  mask_button_ = named(new QPushButton(tr("Mask...")), "eye_scan_mask");
  mask_button_->setToolTip(tr("Loads an eye mask (JSON, docs/eye_mask.md) to test against the "
                              "eye's contour"));
  auto* results = new QHBoxLayout;
  results->addWidget(new QLabel(tr("At")));
  results->addWidget(at_ratio_);
  results->addWidget(summary_, 1);
  results->addWidget(apply_);
  results->addWidget(export_);
  results->addWidget(report_);
  results->addWidget(mask_button_);
  results->addWidget(save_plot_);
  status_ = named(new QLabel, "eye_scan_status");

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(settings);
  layout->addLayout(run);
  layout->addWidget(plots_, 1);
  layout->addLayout(results);
  layout->addWidget(status_);

  connect(start_, &QPushButton::clicked, this, [this] { start(); });
  connect(stop_, &QPushButton::clicked, this, [] { eye_scan_stop(); });
  connect(apply_, &QPushButton::clicked, this, [this] { apply_centre(); });
  connect(export_, &QPushButton::clicked, this, [this] { export_points(); });
  connect(save_plot_, &QPushButton::clicked, this, [this] { save_plots(); });
  connect(report_, &QPushButton::clicked, this, [this] { export_report(); });
  connect(mask_button_, &QPushButton::clicked, this, [this] { load_mask(); });
  connect(at_ratio_, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
  connect(channel_, &QComboBox::currentIndexChanged, this, [this] { show_threshold_range(); });
  connect(init_range_, &QCheckBox::toggled, this, [this] { show_threshold_range(); });
  connect(kind_, &QComboBox::currentIndexChanged, this, [this] { show_threshold_range(); });
  connect(method_, &QComboBox::currentIndexChanged, this, [this] {
    show_threshold_range();
    refresh();
  });
  timer_ = new QTimer(this);
  timer_->setInterval(kEyeWindowRefreshMs);
  connect(timer_, &QTimer::timeout, this, [this] { refresh(); });
  timer_->start();
  // The choices of the last scan come back at the next start.
  remember_entries(QStringLiteral("eye_scan"),
                   {channel_, kind_, delay_steps_, span_, threshold_points_, init_range_,
                    threshold_lo_, threshold_hi_, resolve_, at_ratio_, method_});
  show_threshold_range();
  refresh();
  resize(1260, 700);
}

EyeScanRequest EyeScanWindow::request() const {
  EyeScanRequest q;
  q.channel = channel_->currentData().toInt();
  q.two_d = kind_->currentData().toBool();
  q.delay_steps = delay_steps_->value();
  q.span = static_cast<DelaySpan>(span_->currentData().toInt());
  q.threshold_points = threshold_points_->value();
  if (!init_range_->isChecked()) {
    q.threshold_lo_mv = threshold_lo_->value();
    q.threshold_hi_mv = threshold_hi_->value();
  }
  q.resolve_ratio = resolve_->currentData().toDouble();
  q.adaptive = method_->currentData().toBool();
  return q;
}

double EyeScanWindow::chosen_ratio() const { return at_ratio_->currentData().toDouble(); }

void EyeScanWindow::show_threshold_range() {
  const bool two_d = kind_->currentData().toBool();
  const bool own = !init_range_->isChecked();
  if (!own) {
    EyeScanRequest q;
    q.channel = channel_->currentData().toInt();
    double lo = 0.0, hi = 0.0;
    eye_scan_threshold_range(q, &lo, &hi);
    threshold_lo_->setValue(lo);
    threshold_hi_->setValue(hi);
  }
  const bool idle = !eye_scan_busy();
  const bool grid = !method_->currentData().toBool();
  threshold_points_->setEnabled(idle && two_d && grid);
  init_range_->setEnabled(idle && two_d);
  threshold_lo_->setEnabled(idle && two_d && own);
  threshold_hi_->setEnabled(idle && two_d && own);
}

void EyeScanWindow::say(const QString& text) { status_->setText(text); }

void EyeScanWindow::start() {
  std::string why;
  if (eye_scan_start(request(), &why))
    say(QString());
  else
    say(tr("The scan cannot start: %1.").arg(QString::fromStdString(why)));
  refresh();
}

void EyeScanWindow::apply_centre() {
  const EyeScanResult& r = eye_scan_result();
  const EyeReport e = eye_report(r, chosen_ratio());
  const double threshold = r.request.two_d && e.height_found ? e.centre_mv : std::nan("");
  std::string why;
  if (eye_scan_apply(r.request.channel, e.centre_v, threshold, &why))
    say(std::isnan(threshold)
            ? tr("Channel %1's sampling delay set to %2 V.")
                  .arg(r.request.channel)
                  .arg(e.centre_v, 0, 'f', 3)
            : tr("Channel %1's sampling delay set to %2 V, its threshold to %3 mV.")
                  .arg(r.request.channel)
                  .arg(e.centre_v, 0, 'f', 3)
                  .arg(threshold, 0, 'f', 2));
  else
    say(tr("The centre cannot be applied: %1.").arg(QString::fromStdString(why)));
}

void EyeScanWindow::export_points() {
  const std::string path = save_file_path(this, "Export Eye Scan", "*.csv");
  if (path.empty()) return;
  std::string error;
  if (write_eye_scan_csv(path, eye_scan_result(), &error))
    say(tr("%1 points written to %2.")
            .arg(eye_scan_result().points.size())
            .arg(QString::fromStdString(path)));
  else
    say(tr("Not written to %1: %2.")
            .arg(QString::fromStdString(path), QString::fromStdString(error)));
}

void EyeScanWindow::export_report() {
  const std::string path = save_file_path(this, "Export Eye Scan Report", "*.json");
  if (path.empty()) return;
  const EyeScanResult& r = eye_scan_result();
  const double ratio = chosen_ratio() > 0.0 ? chosen_ratio() : kd71::eye::kDefaultContourRatio;
  std::string error;
  const kd71::eye::mask_test& mask = contours_->mask_result();
  if (kd71::eye::write_eye_report_json(path, r, ratio, &error, mask_ ? &mask : nullptr))
    say(tr("The report written to %1.").arg(QString::fromStdString(path)));
  else
    say(tr("Not written to %1: %2.")
            .arg(QString::fromStdString(path), QString::fromStdString(error)));
}

void EyeScanWindow::load_mask() {
  const std::string path = load_file_path(this, "Load Eye Mask", "*.json");
  if (path.empty()) return;
  kd71::eye::eye_mask mask;
  std::string why;
  if (!kd71::eye::read_eye_mask(path, &mask, &why)) {
    say(tr("The mask was not loaded: %1.").arg(QString::fromStdString(why)));
    return;
  }
  set_mask(mask);
  say(tr("The mask %1 loaded.").arg(QString::fromStdString(path)));
}

void EyeScanWindow::set_mask(const kd71::eye::eye_mask& mask) {
  mask_ = mask;
  shown_points_ = -1;  // redrawn with it
  refresh();
}

QImage EyeScanWindow::plots_picture() const { return plots_->grab().toImage(); }

void EyeScanWindow::save_plots() {
  const std::string path = save_file_path(this, "Save Eye Scan Plot", "*.png");
  if (path.empty()) return;
  const QString file = QString::fromStdString(path);
  // Through the program's own file writing, as every file it writes: whole
  // or not at all, and no link of another user followed.
  QByteArray png;
  QBuffer buffer(&png);
  std::string error = "the picture could not be made";
  if (buffer.open(QIODevice::WriteOnly) && plots_picture().save(&buffer, "PNG") &&
      kd71::platform::write_file_atomically(path, png.toStdString(), &error))
    say(tr("The plots saved to %1.").arg(file));
  else
    say(tr("The plots could not be saved to %1: %2.").arg(file, QString::fromStdString(error)));
}

void EyeScanWindow::refresh() {
  const EyeScanResult& r = eye_scan_result();
  const bool busy = eye_scan_busy();
  for (QWidget* w :
       {static_cast<QWidget*>(channel_), static_cast<QWidget*>(kind_), static_cast<QWidget*>(span_),
        static_cast<QWidget*>(method_), static_cast<QWidget*>(start_)})
    w->setEnabled(!busy);
  // An adaptive scan places its own points and counts each as it needs.
  const bool grid = !method_->currentData().toBool();
  for (QWidget* w : {static_cast<QWidget*>(delay_steps_), static_cast<QWidget*>(resolve_)})
    w->setEnabled(!busy && grid);
  stop_->setEnabled(busy);
  const bool have_points = !r.points.empty();
  export_->setEnabled(!busy && have_points);
  save_plot_->setEnabled(have_points);
  const int planned = r.planned_points();
  progress_->setFormat(planned > 0                     ? tr("%v of %m points")
                       : r.state == EyeScanState::Idle ? tr("No scan yet")
                       : busy                          ? tr("Planning the points")
                                                       : tr("No points"));
  progress_->setRange(0, std::max(1, planned));
  progress_->setValue(static_cast<int>(r.points.size()));

  const int points = static_cast<int>(r.points.size());
  const double ratio = chosen_ratio();
  // Before any scan the bathtub stands where the chosen channel's threshold
  // is now, as a scan would take it.
  EyeScanResult idle;
  const bool before_any = r.state == EyeScanState::Idle;
  if (before_any) {
    idle.request = request();
    idle.threshold_mv = static_cast<float>(channel_threshold_mv(idle.request.channel));
  }
  const EyeScanResult& shown = before_any ? idle : r;
  if (points == shown_points_ && r.state == shown_state_ && ratio == shown_ratio_ &&
      shown.threshold_mv == shown_threshold_)
    return;
  if (r.state != shown_state_) show_threshold_range();
  shown_points_ = points;
  shown_state_ = r.state;
  shown_ratio_ = ratio;
  shown_threshold_ = shown.threshold_mv;
  const EyeReport e = eye_report(shown, ratio);
  bathtub_->show_scan(shown, e);
  eye_->show_scan(shown, e);
  // The fits are drawn once the scan has ended: a wall's tail is whole then.
  const bool ended = !busy && have_points && r.state != EyeScanState::Failed;
  q_scale_->show_scan(ended ? r : EyeScanResult{}, ratio > 0.0 ? ratio : 1e-12);
  // After a bathtub the eye's empty place is left out, on screen and in the
  // saved picture.
  eye_->setVisible(!r.request.adaptive && (before_any || r.request.two_d));
  contours_->setVisible(r.request.adaptive || (!before_any && r.request.two_d));
  contours_->show_scan(ended ? r : EyeScanResult{}, mask_);
  report_->setEnabled(ended);
  apply_->setEnabled(!busy && have_points && e.found && r.state != EyeScanState::Failed);
  if (r.state == EyeScanState::Idle)
    summary_->setText(tr("No scan yet."));
  else if (busy && !have_points)
    summary_->setText(tr("Channel %1: the scan starts.").arg(r.request.channel));
  else
    summary_->setText(QString::fromStdString(eye_summary(r, e)));
}

void EyeScanWindow::closeEvent(QCloseEvent* event) {
  eye_scan_stop();
  event->accept();
}

void add_eye_scan_menu(QMainWindow* window) {
  QMenu* tools = window->menuBar()->addMenu(QObject::tr("Tools"));
  auto* action = new QAction(QObject::tr("Eye Scan..."), window);
  action->setObjectName(QString::fromLatin1(kEyeScanActionName));
  action->setShortcut(kEyeScanKeys);
  action->setShortcutContext(Qt::ApplicationShortcut);
  tools->addAction(action);
  QObject::connect(action, &QAction::triggered, window, [window] {
    auto* w = window->findChild<EyeScanWindow*>(QString::fromLatin1(kEyeScanWindowName));
    if (!w) w = new EyeScanWindow(window);
    w->show();
    w->raise();
    w->activateWindow();
  });
}

}  // namespace kd71::qt
