#include "app/CommandLine.h"

#include <unistd.h>

#include <cerrno>

#ifndef TEMBR_VERSION
#error "the build defines TEMBR_VERSION"
#endif

namespace {

constexpr std::string_view kUsageLine = "Usage: tembr [--help | --version | FILE]";

}  // namespace

CommandLine readCommandLine(const std::vector<std::string_view>& arguments, std::string_view workingDirectory) {
  CommandLine line;
  for (const std::string_view argument : arguments) {
    if (!argument.starts_with('-')) continue;
    if (argument == "--help") {
      line.action = StartAction::ShowHelp;
    } else if (argument == "--version") {
      line.action = StartAction::ShowVersion;
    } else {
      line.action = StartAction::Refuse;
      line.refusedOption = argument;
    }
    return line;
  }
  if (!arguments.empty()) line.path = absolutePath(arguments.front(), workingDirectory);
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
         "Plays the saved playlist. With FILE, adds FILE at the end of the playlist and plays it;\n"
         "when the player is already running, FILE goes to that player instead.\n"
         "\n"
         "  --help     show this help and exit\n"
         "  --version  show the version and exit\n";
}

std::string versionText() { return "tembr " TEMBR_VERSION "\n"; }

std::string refusalText(std::string_view option) {
  return "tembr: unknown option '" + std::string(option) + "'. " + std::string(kUsageLine) + "\n";
}
