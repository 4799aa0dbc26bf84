#include "settings/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>

namespace {

// Room left in a 255-byte file name for the temporary file's prefix and suffix.
constexpr qsizetype kMaxTemporaryStemBytes = 200;
constexpr int kTemporaryNameAttempts = 100;

QString resolvedTarget(const QString& path) {
  const QFileInfo info(path);
  if (!info.isSymLink()) return info.absoluteFilePath();
  const QString canonical = info.canonicalFilePath();
  return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool writeAll(int fd, const QByteArray& bytes) {
  const char* data = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    left -= written;
  }
  return true;
}

int createTemporary(const QByteArray& folder, const QByteArray& stem, QByteArray& name) {
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    const QByteArray suffix = QByteArray::number(QRandomGenerator::global()->generate(), 36);
    name = folder + "/." + stem + '.' + suffix + ".tmp";
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

void syncFolder(const QByteArray& folder) {
  // Without this the rename may not survive a power loss; a file system that cannot sync
  // folders still has the new file, so a failure here is not a failed write.
  FileDescriptor fd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() >= 0) ::fsync(fd.get());
}

}  // namespace

bool replaceFileAtomically(const QString& path, const QByteArray& bytes) {
  const QFileInfo target(resolvedTarget(path));
  const QByteArray targetName = QFile::encodeName(target.absoluteFilePath());
  // A file its owner made read-only stays as it is, as it would with a write in place.
  if (::access(targetName.constData(), F_OK) == 0 && ::access(targetName.constData(), W_OK) != 0) {
    return false;
  }
  const QByteArray folder = QFile::encodeName(target.absolutePath());
  const QByteArray stem = QFile::encodeName(target.fileName()).left(kMaxTemporaryStemBytes);

  QByteArray temporaryName;
  FileDescriptor fd(createTemporary(folder, stem, temporaryName));
  if (fd.get() < 0) return false;

  struct stat existing {};
  bool ok = true;
  if (::stat(targetName.constData(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    ok = ::fchmod(fd.get(), existing.st_mode & 07777) == 0;
  }
  ok = ok && writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
  ok = fd.close() && ok;
  ok = ok && ::rename(temporaryName.constData(), targetName.constData()) == 0;
  if (!ok) {
    ::unlink(temporaryName.constData());
    return false;
  }
  syncFolder(folder);
  return true;
}
