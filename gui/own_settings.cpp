#include "gui/own_settings.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <cstdio>

#include "results/run_verdict.h"

namespace kd71::qt {

namespace {

constexpr const char* kTargetKey = "criteria/target_ber";
constexpr const char* kConfidenceKey = "criteria/confidence_percent";

// Written as plain text (no Qt types), so that the file reads back the same
// whatever locale or Qt release wrote it.
QSettings own_file() { return QSettings(own_settings_path(), QSettings::IniFormat); }

void restore_criterion(QSettings& file, const char* key, bool (*parse)(std::string_view, double*),
                       bool (*set)(double)) {
  if (!file.contains(QString::fromLatin1(key))) return;
  const std::string text = file.value(QString::fromLatin1(key)).toString().toStdString();
  double value = 0.0;
  if (!parse(text, &value) || !set(value))
    std::fprintf(stderr, "kd71: %s: %s '%s' is not usable; the default is kept\n",
                 own_settings_path().toLocal8Bit().constData(), key, text.c_str());
}

QString key_of(const QString& group, const QWidget* entry) {
  return group + QLatin1Char('/') + entry->objectName();
}

void store(const QString& key, const QVariant& value) { own_file().setValue(key, value); }

}  // namespace

QString own_settings_path() {
  // $XDG_CONFIG_HOME when it is set, else ~/.config.
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/kd71/kd71.conf");
}

void restore_own_criteria(bool keep_target, bool keep_confidence) {
  QSettings file = own_file();
  if (!keep_target) restore_criterion(file, kTargetKey, parse_target_ber, set_target_ber);
  if (!keep_confidence)
    restore_criterion(file, kConfidenceKey, parse_confidence_percent, set_confidence_percent);
}

void save_own_criteria(bool keep_target, bool keep_confidence) {
  QSettings file = own_file();
  if (!keep_target)
    file.setValue(QString::fromLatin1(kTargetKey), QString::number(berCriteria.target, 'g', 17));
  if (!keep_confidence)
    file.setValue(QString::fromLatin1(kConfidenceKey),
                  QString::number(berCriteria.confidencePercent, 'g', 17));
}

void remember_entries(const QString& group, const QList<QWidget*>& entries) {
  QSettings file = own_file();
  for (QWidget* entry : entries) {
    const QString key = key_of(group, entry);
    const QVariant stored = file.value(key);
    if (auto* box = qobject_cast<QComboBox*>(entry)) {
      const int index = box->findText(stored.toString());
      if (stored.isValid() && index >= 0) box->setCurrentIndex(index);
      QObject::connect(box, &QComboBox::currentTextChanged, box,
                       [key](const QString& text) { store(key, text); });
    } else if (auto* spin = qobject_cast<QSpinBox*>(entry)) {
      if (stored.isValid()) spin->setValue(stored.toString().toInt());
      QObject::connect(spin, &QSpinBox::valueChanged, spin,
                       [key](int v) { store(key, QString::number(v)); });
    } else if (auto* real = qobject_cast<QDoubleSpinBox*>(entry)) {
      if (stored.isValid()) real->setValue(stored.toString().toDouble());
      QObject::connect(real, &QDoubleSpinBox::valueChanged, real,
                       [key](double v) { store(key, QString::number(v, 'g', 17)); });
    } else if (auto* check = qobject_cast<QAbstractButton*>(entry)) {
      if (stored.isValid()) check->setChecked(stored.toString() == QLatin1String("1"));
      QObject::connect(check, &QAbstractButton::toggled, check, [key](bool on) {
        store(key, on ? QStringLiteral("1") : QStringLiteral("0"));
      });
    }
  }
}

}  // namespace kd71::qt
