// The program's own settings: what the user chose beyond the instrument's
// channel settings (the target ratio and confidence of the timed tests, the
// charts' span, the eye scan's choices). They live in a file of the
// program's own under the user's configuration folder, never in the
// settings file, whose format the board's other tools share.
#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace kd71::qt {

// $XDG_CONFIG_HOME/kd71/kd71.conf, or ~/.config/kd71/kd71.conf.
QString own_settings_path();

// The target ratio and the confidence level from the file, each unless the
// command line gave it (`keep_target`, `keep_confidence`). A value that is
// no ratio or level leaves the default, and one console line says so.
void restore_own_criteria(bool keep_target, bool keep_confidence);
// Stores them, except those the command line gave for this run alone.
void save_own_criteria(bool keep_target, bool keep_confidence);

// Gives each entry (combo box by its item's text, spin box, check box) the
// value stored under `group` and its object name, and stores every change.
void remember_entries(const QString& group, const QList<QWidget*>& entries);

}  // namespace kd71::qt
