#include "app/StartPaths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/PlaylistText.h"

namespace {

namespace fs = std::filesystem;

// The extensions of the audio files a folder adds: the containers the decoder opens. Other
// files in a music folder (covers, notes, playlists) are left alone.
constexpr std::array<std::string_view, 26> kAudioExtensions = {
    "mp3", "mp2", "ogg", "oga", "opus", "flac", "wav", "wave", "w64", "aif", "aiff", "aifc", "m4a",
    "m4b", "aac", "wma", "mka", "wv",  "ape", "tta", "au",  "snd", "caf", "ac3", "mpc", "amr",
};

// A playlist may list another; deeper than this, a loop is the likelier reason.
constexpr int kMaxPlaylistDepth = 8;
// No playlist a person keeps is this large; a larger file is not read.
constexpr std::size_t kMaxPlaylistBytes = 16 * 1024 * 1024;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

char lowered(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool isAudioFileName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return false;
  std::string extension(name.substr(dot + 1));
  std::transform(extension.begin(), extension.end(), extension.begin(), lowered);
  return std::find(kAudioExtensions.begin(), kAudioExtensions.end(), extension) != kAudioExtensions.end();
}

// Hidden files and folders (".thumbnails", the "._song.mp3" that other systems leave on a
// stick) are no part of the music.
bool isHidden(const fs::path& path) { return path.filename().native().starts_with('.'); }

std::string cannotOpen(std::string_view shown, int error) {
  return "tembr: cannot open '" + std::string(shown) + "': " + std::strerror(error) + "\n";
}

// The playlist's bytes, or the errno that kept them from being read.
int readWhole(const std::string& path, std::string& bytes) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (descriptor < 0) return errno;
  char buffer[64 * 1024];
  int error = 0;
  for (;;) {
    const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) error = errno;
    if (count <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(count));
    if (bytes.size() > kMaxPlaylistBytes) {
      error = EFBIG;
      break;
    }
  }
  ::close(descriptor);
  return error;
}

// 0 when the file can be opened for reading, else the errno.
int readError(const std::string& path) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (descriptor < 0) return errno;
  ::close(descriptor);
  return 0;
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

class Expansion {
 public:
  StartPaths result;

  // Adds what `path` names; `shown` is how the user or the playlist named it.
  void add(const std::string& shown, const std::string& path, int depth) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return report(cannotOpen(shown, errno));
    if (S_ISDIR(info.st_mode)) return addFolder(shown, path);
    if (!S_ISREG(info.st_mode)) return report("tembr: cannot open '" + shown + "': not a file or folder\n");
    if (const auto kind = playlistKindOf(path)) return addPlaylist(shown, path, *kind, depth);
    if (const int error = readError(path)) return report(cannotOpen(shown, error));
    result.entries.push_back(path);
  }

 private:
  void report(std::string line) { result.problems.push_back(std::move(line)); }

  void addFolder(const std::string& shown, const std::string& path) {
    std::error_code error;
    fs::recursive_directory_iterator walk(path, fs::directory_options::skip_permission_denied, error);
    if (error) return report(cannotOpen(shown, error.value()));
    std::vector<std::string> found;
    for (const fs::recursive_directory_iterator end; walk != end; walk.increment(error)) {
      if (error) break;
      const fs::directory_entry& entry = *walk;
      if (isHidden(entry.path())) {
        if (entry.is_directory(error)) walk.disable_recursion_pending();
        continue;
      }
      if (entry.is_regular_file(error) && isAudioFileName(entry.path().filename().native())) {
        found.push_back(entry.path().native());
      }
    }
    if (found.empty()) return report("tembr: no audio files in '" + shown + "'\n");
    std::sort(found.begin(), found.end(), [](const std::string& a, const std::string& b) { return naturalLess(a, b); });
    result.entries.insert(result.entries.end(), found.begin(), found.end());
  }

  void addPlaylist(const std::string& shown, const std::string& path, PlaylistKind kind, int depth) {
    if (depth >= kMaxPlaylistDepth) return report("tembr: cannot open '" + shown + "': playlists nested too deeply\n");
    std::string text;
    if (const int error = readWhole(path, text)) return report(cannotOpen(shown, error));
    const std::string folder = folderOf(path);
    for (const std::string& entry : playlistEntries(text, kind)) {
      const std::optional<std::string> local = localPathOfEntry(entry, folder);
      if (!local) {
        report("tembr: leaving out '" + entry + "' listed in '" + shown + "': not a local file\n");
        continue;
      }
      add(*local, *local, depth + 1);
    }
  }
};

}  // namespace

StartPaths expandStartPaths(const std::vector<GivenPath>& paths) {
  Expansion expansion;
  for (const GivenPath& path : paths) expansion.add(path.given, path.absolute, 0);
  return std::move(expansion.result);
}

bool naturalLess(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      // Leading zeros do not count; of two runs, the one with more digits left is larger.
      while (i < a.size() && a[i] == '0') ++i;
      while (j < b.size() && b[j] == '0') ++j;
      std::size_t endA = i;
      std::size_t endB = j;
      while (endA < a.size() && isDigit(a[endA])) ++endA;
      while (endB < b.size() && isDigit(b[endB])) ++endB;
      if (endA - i != endB - j) return endA - i < endB - j;
      if (const int order = a.substr(i, endA - i).compare(b.substr(j, endB - j)); order != 0) return order < 0;
      i = endA;
      j = endB;
      continue;
    }
    // A digit against anything else compares as its character: no other character lies
    // between '0' and '9', so a run compares the same whatever its first digit.
    const auto x = static_cast<unsigned char>(lowered(a[i]));
    const auto y = static_cast<unsigned char>(lowered(b[j]));
    if (x != y) return x < y;
    ++i;
    ++j;
  }
  if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
  // Equal by these rules ("05" and "5", "A" and "a"): the bytes decide, so that no two
  // different paths are taken for the same.
  return a < b;
}
