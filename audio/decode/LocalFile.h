#pragma once

// The one check of a path before anything tries to decode it.

#include <string>

namespace audio {

// Whether `path` names a regular file that this process can open for reading: not missing,
// not a folder, a FIFO, a device or a socket, and without a NUL inside (which would shorten it
// to another file's name). Never waits on a FIFO; may wait on a mount that stopped answering,
// like any file call, so the engine makes it on a media thread only.
bool isReadableRegularFile(const std::string& path);

}  // namespace audio
