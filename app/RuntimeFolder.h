#pragma once

// The private per-user folder that holds the single-instance lock "player" and the
// hand-off socket. Only its owner may use it, so no other user can take the lock first or
// listen in the running player's place. Main thread, at start.

#include <QString>
#include <optional>

enum class CreateIfMissing { No, Yes };

// `path` when it is a real folder (not a symbolic link) owned by this user with no
// permission bits for group or others; with CreateIfMissing::Yes a missing folder is made
// with mode 0700 first. Nothing otherwise.
std::optional<QString> privateFolder(const QString& path, CreateIfMissing create);

// $XDG_RUNTIME_DIR when it is such a folder, else "tembr-<uid>" in the temp folder (made
// if missing). Nothing when neither can be used.
std::optional<QString> runtimeFolder();

// The lock file and the socket inside the runtime folder.
QString singleInstanceLockPath(const QString& folder);
QString handOffSocketPath(const QString& folder);
