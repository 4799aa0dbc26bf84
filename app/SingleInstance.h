#pragma once

// The single-instance lock: an exclusive advisory lock (flock) on a file in the private
// runtime folder. The process that takes it runs the player and keeps it to the end; it is
// never released by the program, and the system drops it with the process, so an instance
// that crashed never keeps the next one from starting. Main thread, at start.

#include <QString>

enum class LockState {
  Held,           // this process now holds the lock until it ends
  HeldElsewhere,  // another process (or another open of the file) holds it
  Unavailable,    // the lock file could not be opened or locked for another reason
};

// Tries once, without waiting, to take the lock on the file at `path` (created if missing).
// The descriptor stays open for the rest of the process and is not inherited by children.
LockState acquireSingleInstanceLock(const QString& path);
