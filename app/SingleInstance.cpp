#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

LockState acquireSingleInstanceLock(const QString& path) {
  if (path.isEmpty()) return LockState::Unavailable;
  const int descriptor = ::open(QFile::encodeName(path).constData(),
                                O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
  if (descriptor < 0) return LockState::Unavailable;
  int result;
  do {
    result = ::flock(descriptor, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result == 0) return LockState::Held;  // the descriptor is deliberately kept open
  const bool heldElsewhere = errno == EWOULDBLOCK;
  ::close(descriptor);
  return heldElsewhere ? LockState::HeldElsewhere : LockState::Unavailable;
}
