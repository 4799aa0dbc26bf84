#pragma once

// Replaces a file's whole content so that, whatever happens meanwhile (a crash, a kill, a
// power loss), the path holds either the old content or the new, never a mix: the bytes go
// to a temporary file in the same folder, are synced to disk, and the temporary file is
// renamed over the target; then the folder is synced so the rename itself survives. A
// symbolic link is followed and the file it names is replaced. An existing file keeps its
// permission bits, and one that is not writable is not replaced. A save that was killed
// midway leaves its temporary file ("." + name + "." + random + ".tmp"); the next save of
// the same file removes such leftovers, never a temporary that a running save still holds.
// Any thread.

#include <QByteArray>
#include <QString>

// Returns false when the file could not be replaced; the old content is then untouched.
bool replaceFileAtomically(const QString& path, const QByteArray& bytes);
