#include "gui/qt_front_end.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QSocketNotifier>
#include <cmath>
#include <limits>

#include "gui/control_view.h"
#include "gui/file_dialog.h"
#include "gui/panel_window.h"
#include "platform/os/clock.h"
#include "platform/ui_runtime/ui_store.h"
#include "ui/main_uir.h"
#include "ui/main_uir_panels.h"

namespace kd71::qt {

namespace {

constexpr int kPollIntervalMs = 100;
// The main window opens at this size where the screen allows it.
constexpr QSize kMainWindowSize(1280, 800);

// Milliseconds from now until `deadline` on the store's clock, rounded up so
// the timer never fires before the deadline.
int ms_until(double deadline) {
  const double ms = std::ceil((deadline - clock::now()) * 1000.0);
  if (!(ms > 0.0)) return 0;
  return ms >= std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                               : static_cast<int>(ms);
}

}  // namespace

QtFrontEnd::QtFrontEnd(WindowHooks hooks) : hooks_(std::move(hooks)) {
  // Entry boxes show and take figures with a decimal point, as the read-outs
  // and the settings file have them, whatever the desktop's locale; a comma
  // is refused rather than read as a digit group.
  QLocale c = QLocale::c();
  c.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
  QLocale::setDefault(c);
  dispatch_timer_.setSingleShot(true);
  dispatch_timer_.setTimerType(Qt::PreciseTimer);
  connect(&dispatch_timer_, &QTimer::timeout, this, [this] { dispatch(); });
  poll_timer_.setInterval(kPollIntervalMs);
  connect(&poll_timer_, &QTimer::timeout, this, [this] { poll(); });
  poll_timer_.start();
  serve_timer_.setSingleShot(true);
  connect(&serve_timer_, &QTimer::timeout, this, [this] { serve(); });
}

void QtFrontEnd::serve_input(OwnInput input) {
  delete input_notifier_;
  input_notifier_ = nullptr;
  input_ = std::move(input);
  if (!input_.serve || input_.descriptor < 0) return;
  input_notifier_ = new QSocketNotifier(input_.descriptor, QSocketNotifier::Read, this);
  connect(input_notifier_, &QSocketNotifier::activated, this, [this] { serve(); });
}

QtFrontEnd::~QtFrontEnd() {
  for (const QPointer<QMessageBox>& box : popups_) delete box.data();
  for (auto& [panel, window] : windows_) delete window.data();
}

PanelWindow* QtFrontEnd::window(int panel) const {
  auto it = windows_.find(panel);
  return it == windows_.end() ? nullptr : it->second.data();
}

// ---- Loop -----------------------------------------------------------------------------

void QtFrontEnd::run_loop() {
  QEventLoop loop;
  loop_ = &loop;
  dispatch_timer_.start(0);
  loop.exec();
  loop_ = nullptr;
  dispatch_timer_.stop();
}

void QtFrontEnd::quit_loop() {
  if (loop_) loop_->quit();
}

void QtFrontEnd::dispatch() {
  if (!loop_ || ui::in_callback() || ui::modal_open()) return;
  // A stop signal is acted on at every turn, however little time the ticks
  // leave the poll timer. One turn at a time: Qt paints and delivers input
  // before the next.
  poll();
  ui::process_pending();
  serve();
  // On the virtual clock time jumps to the next deadline; what falls due
  // there is dispatched on the next turn, after Qt has painted.
  if (clock::is_virtual() && !ui::quit_requested()) {
    const double next = ui::next_deadline();
    if (std::isfinite(next)) clock::wait_until(next);
  }
  arm();
}

void QtFrontEnd::wake() {
  if (loop_ && !ui::in_callback() && !ui::modal_open()) dispatch_timer_.start(0);
}

void QtFrontEnd::arm() {
  if (!loop_ || ui::quit_requested()) return;
  // Inside a callback or a dialog the dispatch that is running re-arms.
  if (ui::in_callback() || ui::modal_open()) return;
  const double next = ui::next_deadline();
  if (!std::isfinite(next)) {
    dispatch_timer_.stop();
    // On the virtual clock nothing can fall due any more: the loop ends, as
    // the store's own loop does.
    if (clock::is_virtual() && ui::pending_event_count() == 0) loop_->exit(0);
    return;
  }
  dispatch_timer_.start(clock::is_virtual() ? 0 : ms_until(next));
}

void QtFrontEnd::poll() {
  if (!hooks_.poll || !hooks_.poll()) return;
  // Stopping: a dialog waiting for the user is cancelled.
  if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
  wake();
}

void QtFrontEnd::serve() {
  if (!input_.serve) return;
  if (input_.serve()) serve_timer_.start(0);
  // A press it queued is dispatched at once.
  if (ui::pending_event_count() > 0) wake();
}

void QtFrontEnd::pump_input() {
  poll();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  serve();
}

void QtFrontEnd::draw() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

// ---- Input ----------------------------------------------------------------------------

void QtFrontEnd::post(int panel, int control, int event, int data1) {
  ui::post_event(panel, control, event, data1);
  wake();
}

void QtFrontEnd::post_menu(int panel, int item) {
  ui::post_menu_event(panel, item);
  wake();
}

void QtFrontEnd::close_requested(int panel) {
  if (hooks_.close_requested) hooks_.close_requested(panel);
  wake();
}

// ---- Popups ---------------------------------------------------------------------------

QWidget* QtFrontEnd::dialog_parent() const {
  for (const auto& [panel, window] : windows_)
    if (window && window->isVisible() && ui::panel_resource_id(panel) == PANELMAIN) return window;
  return nullptr;
}

// Shown without a loop of its own: the measurement, remote commands and
// signals go on while it waits for its OK, so an unattended rig started in a
// fresh folder connects and measures behind the first start's notice.
void QtFrontEnd::message_popup(const std::string& title, const std::string& text) {
  auto* box = new QMessageBox(QMessageBox::NoIcon, QString::fromStdString(title),
                              QString::fromStdString(text), QMessageBox::Ok, dialog_parent());
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::ApplicationModal);
  std::erase_if(popups_, [](const QPointer<QMessageBox>& b) { return b.isNull(); });
  popups_.emplace_back(box);
  box->show();
}

int QtFrontEnd::file_select_popup(const ui::FileSelectRequest& request, std::string& path) {
  return run_file_dialog(dialog_parent(), request, path);
}

void QtFrontEnd::routine_progress(const std::string& text) {
  for (const auto& [panel, window] : windows_)
    if (window && ui::panel_resource_id(panel) == PANELMAIN)
      window->show_progress(QString::fromStdString(text));
}

// ---- Panels ---------------------------------------------------------------------------

void QtFrontEnd::panel_loaded(int panel) {
  const uir::PanelDef* def = uir::find_panel("main.uir", ui::panel_resource_id(panel));
  if (!def) return;
  windows_[panel] = new PanelWindow(panel, *def, *this);
  arm();  // its timers may fall due before the current deadline
}

void QtFrontEnd::panel_displayed(int panel) {
  PanelWindow* w = window(panel);
  if (!w) return;
  if (!w->isVisible()) {
    // The size that shows all the panel holds; the main window at least its
    // size for a 1280 x 800 screen. A screen too small for it scrolls.
    QSize size = w->content_size();
    if (ui::panel_resource_id(panel) == PANELMAIN) size = size.expandedTo(kMainWindowSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
      size = size.boundedTo(screen->availableSize());
    w->resize(size);
  }
  w->show();
  w->raise();
}

void QtFrontEnd::panel_discarded(int panel) {
  auto it = windows_.find(panel);
  if (it == windows_.end()) return;
  if (PanelWindow* w = it->second.data()) {
    w->hide();
    w->deleteLater();  // the window may be on the stack of the event that discarded it
  }
  windows_.erase(it);
}

void QtFrontEnd::panel_title_changed(int panel) {
  if (PanelWindow* w = window(panel)) w->show_title();
}

void QtFrontEnd::control_changed(int panel, int control, ui::Change what) {
  if (what == ui::Change::Timer) {
    arm();
    return;
  }
  if (PanelWindow* w = window(panel))
    for (ControlView* view : w->views(control)) view->refresh(what);
}

}  // namespace kd71::qt
