// The remembered choices in a QSettings INI file.
#include "platform/qt/qt_preferences.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <cstdio>

struct QtPreferenceStore::Parts {
  std::unique_ptr<QSettings> settings;
};

namespace {

// Ignores a file that exists but cannot be read or parsed: it is cleared, so nothing of it is
// used and this run's choices replace it.
void CheckReadable(QSettings& settings) {
  const QString path = settings.fileName();
  const QFileInfo file(path);
  const char* problem = nullptr;
  if (file.exists() && !file.isReadable())
    problem = "cannot be read";
  else if (settings.status() != QSettings::NoError)
    problem = "cannot be parsed";
  if (!problem) return;
  std::fprintf(stderr, "taldrinex: the settings file %s %s; it is ignored and the start values are used\n",
               path.toLocal8Bit().constData(), problem);
  settings.clear();
}

}  // namespace

QtPreferenceStore::QtPreferenceStore() : parts_(std::make_unique<Parts>()) {
  parts_->settings =
      std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "taldrinex", "taldrinex");
  CheckReadable(*parts_->settings);
}

QtPreferenceStore::QtPreferenceStore(const std::string& file) : parts_(std::make_unique<Parts>()) {
  parts_->settings = std::make_unique<QSettings>(QString::fromStdString(file), QSettings::IniFormat);
  CheckReadable(*parts_->settings);
}

QtPreferenceStore::~QtPreferenceStore() { parts_->settings->sync(); }

std::optional<std::string> QtPreferenceStore::Read(const std::string& key) {
  const QVariant value = parts_->settings->value(QString::fromStdString(key));
  // Only text was written: anything else came from an edited file and is ignored.
  if (!value.isValid() || value.typeId() != QMetaType::QString) return std::nullopt;
  return value.toString().toStdString();
}

void QtPreferenceStore::Write(const std::string& key, const std::string& value) {
  parts_->settings->setValue(QString::fromStdString(key), QString::fromStdString(value));
}

bool QtPreferenceStore::FitsAScreen(const UiRect& place) {
  const QRect rect(place.x, place.y, place.width, place.height);
  for (const QScreen* screen : QGuiApplication::screens())
    if (screen->availableGeometry().contains(rect)) return true;
  return false;
}
