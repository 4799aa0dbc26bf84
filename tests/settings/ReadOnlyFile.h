#pragma once

// A file that nobody may change, in a folder where anything else may be created, for the
// tests of failed writes: a failure must leave the file as it was, and whatever the program
// writes after a failure would show up beside it.

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QString>

#include "tests/support/TestFiles.h"

class ReadOnlyFile {
 public:
  // Writes `bytes` to `name` in `folder` and makes the file read-only. Permissions do not
  // bind root, so for root the file is made immutable instead, where the file system can.
  ReadOnlyFile(const TempFolder& folder, const QString& name, const QByteArray& bytes)
      : path_(folder.write(name, bytes)) {
    if (::geteuid() != 0) {
      made_ = QFile::setPermissions(path_, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    } else {
      made_ = setImmutable(true);
    }
  }
  ~ReadOnlyFile() {
    if (::geteuid() == 0) {
      setImmutable(false);
    } else {
      QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner);
    }
  }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  // False where the file could not be made read-only (root on a file system without the
  // immutable attribute); the test should skip then.
  bool made() const { return made_; }
  QString path() const { return path_; }

 private:
  bool setImmutable(bool on) const {
    const int fd = ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return ok;
  }

  QString path_;
  bool made_ = false;
};
