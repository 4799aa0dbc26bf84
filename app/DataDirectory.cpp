#include "app/DataDirectory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

QString executableDirectory() {
  // The kernel's link names the executable itself, whatever link or copy it was started by.
  QString target = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
  // A file replaced while running (an upgrade) is reported with this suffix.
  const QString deleted = QStringLiteral(" (deleted)");
  if (target.endsWith(deleted) && !QFileInfo::exists(target)) target.chop(deleted.size());
  if (target.isEmpty()) return QCoreApplication::applicationDirPath();
  return QFileInfo(target).absolutePath();
}

QString configDirectory() {
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::home().filePath(QStringLiteral(".config"));
  const QString folder = QDir(base).filePath(QStringLiteral("tembr"));
  QDir().mkpath(folder);
  return folder;
}

QString dataDirectory() {
#if defined(TEMBR_XDG_CONFIG) && TEMBR_XDG_CONFIG
  return configDirectory();
#else
  return executableDirectory();
#endif
}
