#pragma once

// What the command line asks of a start. It is read before the single-instance lock is
// taken, so that --help and --version neither start the player, nor hand anything over, nor
// create any file. No Qt here: a second start needs no application object.
// Runs on the main thread at start.

#include <string>
#include <string_view>
#include <vector>

enum class StartAction {
  Run,          // run the player, or hand `paths` to the one that runs
  ShowHelp,     // print the usage to standard output and exit with 0
  ShowVersion,  // print the version to standard output and exit with 0
  Refuse,       // print the one-line usage to standard error and exit with 2
};

// A path as the user typed it (for messages) and made absolute (bytes as given).
struct GivenPath {
  std::string given;
  std::string absolute;
};

struct CommandLine {
  StartAction action = StartAction::Run;
  // Every path, in the order given.
  std::vector<GivenPath> paths;
  // The option that was not understood, for StartAction::Refuse.
  std::string refusedOption;
};

inline constexpr int kRefusedExitCode = 2;

// `arguments` are the program's arguments after its name. Up to a "--", the first argument
// that starts with '-' decides: "-h" or "--help", "--version", or a refusal. Every other
// argument, and every one after "--", is a path, made absolute against `workingDirectory`.
CommandLine readCommandLine(const std::vector<std::string_view>& arguments, std::string_view workingDirectory);

// `path` unchanged when it is absolute or empty; otherwise `workingDirectory` and `path`
// joined, without "." components and repeated slashes. ".." stays: a symbolic link before it
// would make dropping it name another file.
std::string absolutePath(std::string_view path, std::string_view workingDirectory);

// The process's working directory, or empty when it cannot be read.
std::string currentWorkingDirectory();

// The texts printed for the actions above, each ending in a newline.
std::string helpText();
std::string versionText();
std::string refusalText(std::string_view option);
