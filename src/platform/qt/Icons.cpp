#include "platform/qt/Icons.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

static void InitIconResources() {
  // The pictures live in a static library, whose resource initialiser the linker would drop.
  static const bool done = [] {
    Q_INIT_RESOURCE(icons);
    return true;
  }();
  (void)done;
}

namespace platform {

namespace {
bool s_bundledOnly = false;
QString BundledPath(const QString& name) {
  return QStringLiteral(":/tessaryn/icons/") + name + QStringLiteral(".svg");
}
}  // namespace

bool HasBundledIcon(const QString& name) {
  InitIconResources();
  return !name.isEmpty() && QFile::exists(BundledPath(name));
}

QIcon BundledIcon(const QString& name) {
  if (!HasBundledIcon(name)) return QIcon();
  return QIcon(BundledPath(name));
}

QIcon ThemeIcon(const QString& name) {
  QIcon fallback = BundledIcon(name);
  if (s_bundledOnly || name.isEmpty()) return fallback;
  if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name, fallback);
  return fallback;
}

QIcon ProgramIcon() {
  return BundledIcon(QStringLiteral("tessaryn"));
}

std::string ProgramIconFile() {
  InitIconResources();
  QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (base.isEmpty()) return {};
  QString dir = base + QStringLiteral("/icons/hicolor/scalable/apps");
  QString target = dir + QStringLiteral("/tessaryn.svg");
  QFile source(BundledPath(QStringLiteral("tessaryn")));
  if (!source.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = source.readAll();
  QFile existing(target);
  if (existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes) return target.toStdString();
  existing.close();
  if (!QDir().mkpath(dir)) return {};
  QFile out(target);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size()) return {};
  return QFileInfo(target).absoluteFilePath().toStdString();
}

void SetUseBundledIconsOnly(bool only) {
  s_bundledOnly = only;
}

}  // namespace platform
