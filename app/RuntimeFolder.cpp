#include "app/RuntimeFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cerrno>

std::optional<QString> privateFolder(const QString& path, CreateIfMissing create) {
  if (path.isEmpty() || !QDir::isAbsolutePath(path)) return std::nullopt;
  const QByteArray native = QFile::encodeName(path);
  if (create == CreateIfMissing::Yes && ::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
    return std::nullopt;
  }
  struct stat status {};
  if (::lstat(native.constData(), &status) != 0) return std::nullopt;
  if (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid()) return std::nullopt;
  if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0) return std::nullopt;
  return path;
}

std::optional<QString> runtimeFolder() {
  // A runtime directory that is not private to us is not trusted; the fallback under the
  // temp folder keeps the single instance working in that case.
  if (auto folder = privateFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"), CreateIfMissing::No)) return folder;
  const QString fallback = QDir(QDir::tempPath()).filePath(QStringLiteral("tembr-%1").arg(::geteuid()));
  return privateFolder(fallback, CreateIfMissing::Yes);
}

QString singleInstanceLockPath(const QString& folder) { return QDir(folder).filePath(QStringLiteral("player")); }

QString handOffSocketPath(const QString& folder) { return QDir(folder).filePath(QStringLiteral("TForm_player")); }
