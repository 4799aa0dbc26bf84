#include "audio/engine/CoverArt.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cinttypes>
#include <cstdio>

namespace audio {

namespace {

// The names a cover picture goes by in a music folder, in the order they are looked for.
constexpr std::array<const char*, 4> kCoverNames = {"cover.jpg", "folder.jpg", "Cover.jpg", "Folder.jpg"};

// FNV-1a: the same picture gets the same name in every run.
uint64_t pictureHash(const std::string& bytes) {
  uint64_t hash = 14695981039346656037ull;
  for (const char byte : bytes) {
    hash ^= static_cast<unsigned char>(byte);
    hash *= 1099511628211ull;
  }
  return hash;
}

bool isRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Makes `folder` and the folders above it that are missing, for this user alone.
bool makeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

bool writeAll(int descriptor, const std::string& bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t count = ::write(descriptor, bytes.data() + written, bytes.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    written += static_cast<std::size_t>(count);
  }
  return true;
}

// Writes the picture under a temporary name and renames it into place, so that a reader never
// sees half a picture and two players writing the same one do not spoil it.
bool writePicture(const std::string& path, const std::string& bytes) {
  std::string temporary = path + ".XXXXXX";
  const int descriptor = ::mkstemp(temporary.data());
  if (descriptor < 0) return false;
  const bool written = writeAll(descriptor, bytes);
  const bool closed = ::close(descriptor) == 0;
  if (written && closed && ::rename(temporary.c_str(), path.c_str()) == 0) return true;
  ::unlink(temporary.c_str());
  return false;
}

std::string storedPicture(const StreamTags& tags, const std::string& folder) {
  if (tags.picture.empty() || tags.pictureExtension.empty() || folder.empty()) return {};
  char name[32];
  std::snprintf(name, sizeof name, "%016" PRIx64 ".", pictureHash(tags.picture));
  const std::string path = folder + "/" + name + tags.pictureExtension;
  if (isRegularFile(path)) return path;
  if (!makeFolders(folder) || !writePicture(path, tags.picture)) return {};
  return path;
}

std::string pictureBeside(const std::string& audioPath) {
  const std::size_t slash = audioPath.rfind('/');
  if (slash == std::string::npos) return {};
  for (const char* name : kCoverNames) {
    const std::string path = audioPath.substr(0, slash + 1) + name;
    if (isRegularFile(path)) return path;
  }
  return {};
}

}  // namespace

std::string coverPictureFor(const std::string& audioPath, const StreamTags& tags, const std::string& folder) {
  std::string stored = storedPicture(tags, folder);
  return stored.empty() ? pictureBeside(audioPath) : stored;
}

}  // namespace audio
