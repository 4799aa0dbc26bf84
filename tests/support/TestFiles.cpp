#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>
#include <QUuid>

TempFolder::TempFolder() {
  QString base = qEnvironmentVariable("TEMBR_TEST_TMP");
  if (base.isEmpty()) base = QDir::tempPath();
  QDir().mkpath(base);
  path_ = QDir(base).filePath(QStringLiteral("t-") + QUuid::createUuid().toString(QUuid::WithoutBraces));
  QDir().mkpath(path_);
}

TempFolder::~TempFolder() {
  QDir dir(path_);
  // Folders made read-only by a test must be writable again before they can be removed.
  QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  dir.removeRecursively();
}

QString TempFolder::file(const QString& name) const { return QDir(path_).filePath(name); }

QString TempFolder::write(const QString& name, const QByteArray& bytes) const {
  const QString full = file(name);
  QDir().mkpath(QFileInfo(full).absolutePath());
  QFile f(full);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes);
  return full;
}

QByteArray TempFolder::read(const QString& name) const {
  QFile f(file(name));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}
