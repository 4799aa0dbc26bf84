#include "audio/decode/LocalFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace audio {

bool isReadableRegularFile(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  // Only a regular file is opened: opening a device can act on it (a tape rewinds).
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  // Should the path have turned into a FIFO since, the open does not wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  ::close(fd);
  return regular;
}

}  // namespace audio
