#include "settings/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>

namespace {

// Room left in a 255-byte file name for the temporary file's prefix and suffix.
constexpr qsizetype kMaxTemporaryStemBytes = 200;
constexpr int kTemporaryNameAttempts = 100;
// A temporary file is "." + stem + "." + a random 32-bit number in base 36 + ".tmp".
constexpr qsizetype kMaxRandomSuffixBytes = 7;
constexpr char kTemporaryEnding[] = ".tmp";
constexpr qsizetype kTemporaryEndingBytes = sizeof(kTemporaryEnding) - 1;

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

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether `fd` is still the file that `name` names.
bool stillNamedBy(int fd, const QByteArray& name) {
  struct stat opened {};
  struct stat named {};
  return ::fstat(fd, &opened) == 0 && ::lstat(name.constData(), &named) == 0 && sameFile(opened, named);
}

// The temporary file is locked for as long as it is being written, which is how a later
// save tells a temporary in use from one that a killed save left behind. Between creating
// and locking, such a clean-up may take the new file away; then another name is tried.
int createTemporary(const QByteArray& folder, const QByteArray& stem, QByteArray& name) {
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    const QByteArray suffix = QByteArray::number(QRandomGenerator::global()->generate(), 36);
    name = folder + "/." + stem + '.' + suffix + kTemporaryEnding;
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return fd;
    // A file system without locks still takes the save; it only keeps its leftovers.
    const bool locked = ::flock(fd, LOCK_EX) == 0;
    if (!locked || stillNamedBy(fd, name)) return fd;
    ::close(fd);
  }
  return -1;
}

// Whether `name` is one that createTemporary makes for `stem`.
bool isTemporaryNameFor(const QByteArray& name, const QByteArray& stem) {
  const QByteArray start = "." + stem + ".";
  const qsizetype suffixSize = name.size() - start.size() - kTemporaryEndingBytes;
  if (suffixSize < 1 || suffixSize > kMaxRandomSuffixBytes) return false;
  if (!name.startsWith(start) || !name.endsWith(kTemporaryEnding)) return false;
  const QByteArray suffix = name.sliced(start.size(), suffixSize);
  return std::all_of(suffix.begin(), suffix.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'); });
}

QList<QByteArray> namesIn(const QByteArray& folder) {
  QList<QByteArray> names;
  DIR* dir = ::opendir(folder.constData());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) names << QByteArray(entry->d_name);
  ::closedir(dir);
  return names;
}

// A save that was killed between creating its temporary file and renaming it leaves the
// temporary behind. Those of this file that are ours (our name pattern, our user, a plain
// file) and stale (no save holds their lock) are removed before the next save.
void removeStaleTemporaries(const QByteArray& folder, const QByteArray& stem) {
  for (const QByteArray& name : namesIn(folder)) {
    if (!isTemporaryNameFor(name, stem)) continue;
    const QByteArray path = folder + '/' + name;
    FileDescriptor fd(::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0) continue;
    if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) continue;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;
    if (stillNamedBy(fd.get(), path)) ::unlink(path.constData());
  }
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

  removeStaleTemporaries(folder, stem);
  QByteArray temporaryName;
  FileDescriptor fd(createTemporary(folder, stem, temporaryName));
  if (fd.get() < 0) return false;

  struct stat existing {};
  bool ok = true;
  if (::stat(targetName.constData(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    ok = ::fchmod(fd.get(), existing.st_mode & 07777) == 0;
  }
  ok = ok && writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
  // Renamed while still open, so that its lock keeps other saves' clean-up away to the end.
  // Once fsync has succeeded the bytes are on disk, and closing cannot lose them.
  ok = ok && ::rename(temporaryName.constData(), targetName.constData()) == 0;
  fd.close();
  if (!ok) {
    ::unlink(temporaryName.constData());
    return false;
  }
  syncFolder(folder);
  return true;
}
