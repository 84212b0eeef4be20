#include "gui/window_session.h"

#include <QApplication>

#include "gui/program_icon.h"
#include "gui/qt_front_end.h"

namespace kd71::qt {

struct WindowSession::Impl {
  Impl(int& argc, char** argv, WindowHooks hooks) : app(argc, argv), front_end(std::move(hooks)) {}
  QApplication app;
  QtFrontEnd front_end;
};

WindowSession::WindowSession(int& argc, char** argv, WindowHooks hooks)
    : impl_(std::make_unique<Impl>(argc, argv, std::move(hooks))) {
  QApplication::setApplicationName(QStringLiteral("kd71"));
  // Window systems add the program's name to each window's title and find
  // its desktop entry and icon by the desktop file name.
  QApplication::setApplicationDisplayName(QStringLiteral("KD71"));
  QApplication::setDesktopFileName(QStringLiteral("kd71"));
  QApplication::setWindowIcon(program_icon());
}

WindowSession::~WindowSession() = default;

ui::FrontEnd& WindowSession::front_end() { return impl_->front_end; }

void WindowSession::serve_input(OwnInput input) { impl_->front_end.serve_input(std::move(input)); }

}  // namespace kd71::qt
