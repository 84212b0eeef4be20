#include "gui/report_action.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <string>

#include "gui/file_dialog.h"
#include "report/test_report.h"

namespace kd71::qt {

void add_report_action(QMainWindow* window, QMenu* file_menu) {
  auto* action = new QAction(QObject::tr("Save Test Report..."), window);
  action->setObjectName(QString::fromLatin1(kReportActionName));
  file_menu->addAction(action);
  QObject::connect(action, &QAction::triggered, window, [window] {
    const std::string path = save_file_path(window, "Save Test Report", "*.html");
    if (path.empty()) return;
    std::string error;
    const QString file = QString::fromStdString(path);
    if (write_test_report(path, window_report_run(), &error))
      window->statusBar()->showMessage(QObject::tr("Test report saved to %1").arg(file));
    else
      QMessageBox::warning(window, QObject::tr("Save Test Report"),
                           QObject::tr("Cannot write %1: %2")
                               .arg(file, QString::fromStdString(error)));
  });
}

}  // namespace kd71::qt
