#include "app/CommandLine.h"

#include <unistd.h>

#include <cerrno>

#ifndef TEMBR_VERSION
#error "the build defines TEMBR_VERSION"
#endif

namespace {

constexpr std::string_view kUsageLine = "Usage: tembr [-h | --help | --version | [--] FILE...]";

}  // namespace

CommandLine readCommandLine(const std::vector<std::string_view>& arguments, std::string_view workingDirectory) {
  CommandLine line;
  bool optionsEnded = false;
  for (const std::string_view argument : arguments) {
    if (optionsEnded || !argument.starts_with('-')) {
      line.paths.push_back({std::string(argument), absolutePath(argument, workingDirectory)});
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    line.paths.clear();
    if (argument == "-h" || argument == "--help") {
      line.action = StartAction::ShowHelp;
    } else if (argument == "--version") {
      line.action = StartAction::ShowVersion;
    } else {
      line.action = StartAction::Refuse;
      line.refusedOption = argument;
    }
    return line;
  }
  return line;
}

std::string absolutePath(std::string_view path, std::string_view workingDirectory) {
  if (path.empty() || path.starts_with('/') || workingDirectory.empty()) return std::string(path);
  std::string joined(workingDirectory);
  while (joined.size() > 1 && joined.back() == '/') joined.pop_back();
  while (!path.empty()) {
    const size_t slash = path.find('/');
    const std::string_view component = path.substr(0, slash);
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    if (component.empty() || component == ".") continue;
    if (joined.back() != '/') joined += '/';
    joined += component;
  }
  return joined;
}

std::string currentWorkingDirectory() {
  std::string buffer(256, '\0');
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
      buffer.resize(std::char_traits<char>::length(buffer.c_str()));
      return buffer;
    }
    if (errno != ERANGE) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::string helpText() {
  return std::string(kUsageLine) +
         "\n"
         "Plays the saved playlist. With FILEs, adds them at the end of the playlist in the order\n"
         "given and plays the first; when the player is already running, the files go to that\n"
         "player instead, which adds them and plays the first of them.\n"
         "A folder adds the audio files under it, in natural order (2 before 10). A .m3u, .m3u8\n"
         "or .pls playlist adds the local files it lists. A FILE that cannot be read is reported\n"
         "and left out; when nothing at all can be added, nothing starts and the exit status is 1.\n"
         "\n"
         "  -h, --help  show this help and exit\n"
         "  --version   show the version and exit\n"
         "  --          end of the options: every argument after it is a FILE\n";
}

std::string versionText() { return "tembr " TEMBR_VERSION "\n"; }

std::string refusalText(std::string_view option) {
  return "tembr: unknown option '" + std::string(option) + "'. " + std::string(kUsageLine) + "\n";
}
