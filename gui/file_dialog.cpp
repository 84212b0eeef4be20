#include "gui/file_dialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include "platform/ui_runtime/userint.h"

namespace kd71::qt {

namespace {

bool is_pattern(const QString& name) {
  return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

// The dialog's filters: the file-type list ("*.cfg;*.txt"), a default file
// name that is a pattern ("*.cfg") or a bare extension (".txt"), and all
// files unless the extension is restricted.
QStringList name_filters(const ui::FileSelectRequest& request) {
  QStringList patterns;
  for (const QString& p :
       QString::fromStdString(request.file_type_list).split(QLatin1Char(';'), Qt::SkipEmptyParts))
    patterns << p.trimmed();
  const QString name = QString::fromStdString(request.default_file_spec);
  if (is_pattern(name))
    patterns.prepend(name);
  else if (name.startsWith(QLatin1Char('.')) && name.size() > 1)
    patterns.prepend(QLatin1Char('*') + name);
  patterns.removeDuplicates();
  QStringList filters = patterns;
  if (!request.restrict_extension || filters.isEmpty()) filters << QStringLiteral("All files (*)");
  return filters;
}

}  // namespace

int run_file_dialog(QWidget* parent, const ui::FileSelectRequest& request, std::string& path,
                    bool ask_before_replacing) {
  path.clear();
  const QString directory = request.default_directory.empty()
                                ? QDir::currentPath()
                                : QString::fromStdString(request.default_directory);
  // Qt's dialog keeps its history and last folder in the user's settings
  // ("QtProject.conf"); the program keeps no state beyond its panels and its
  // settings file, so they go to a folder that goes with the dialog.
  const QTemporaryDir dialog_memory;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dialog_memory.path());
  QFileDialog dialog(parent, QString::fromStdString(request.title), directory);
  // Qt's own dialog: the same on every desktop, and it runs offscreen.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  const bool save = request.button_kind == VAL_SAVE_BUTTON;
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !ask_before_replacing);
  const QStringList filters = name_filters(request);
  dialog.setNameFilters(filters);
  // A name typed without its extension gets the one the files must have.
  if (save && request.restrict_extension && filters.constFirst().startsWith(QStringLiteral("*.")))
    dialog.setDefaultSuffix(filters.constFirst().mid(2));
  const QString name = QString::fromStdString(request.default_file_spec);
  if (!name.isEmpty() && !is_pattern(name) && !name.startsWith(QLatin1Char('.')))
    dialog.selectFile(name);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return VAL_NO_FILE_SELECTED;
  const QString chosen = dialog.selectedFiles().constFirst();
  if (request.restrict_directory && QFileInfo(chosen).absoluteDir() != QDir(directory))
    return VAL_NO_FILE_SELECTED;
  path = QFile::encodeName(chosen).toStdString();
  return QFileInfo::exists(chosen) ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
}

namespace {

std::string chosen_path(QWidget* parent, const char* title, const char* pattern, int button_kind) {
  ui::FileSelectRequest request;
  request.default_file_spec = pattern;
  request.file_type_list = pattern;
  request.title = title;
  request.button_kind = button_kind;
  // A name typed without its extension gets it.
  request.restrict_extension = button_kind == VAL_SAVE_BUTTON;
  std::string path;
  if (run_file_dialog(parent, request, path) == VAL_NO_FILE_SELECTED) path.clear();
  return path;
}

}  // namespace

std::string save_file_path(QWidget* parent, const char* title, const char* pattern) {
  return chosen_path(parent, title, pattern, VAL_SAVE_BUTTON);
}

std::string load_file_path(QWidget* parent, const char* title, const char* pattern) {
  return chosen_path(parent, title, pattern, VAL_LOAD_BUTTON);
}

}  // namespace kd71::qt
