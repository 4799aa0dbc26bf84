#pragma once

// What the command line asks of a start. It is read before the single-instance lock is
// taken, so that --help and --version neither start the player, nor hand anything over, nor
// create any file. No Qt here: a second start needs no application object.

#include <string>
#include <string_view>
#include <vector>

enum class StartAction {
  Run,          // run the player, or hand `path` to the one that runs
  ShowHelp,     // print the usage to standard output and exit with 0
  ShowVersion,  // print the version to standard output and exit with 0
  Refuse,       // print the one-line usage to standard error and exit with 2
};

struct CommandLine {
  StartAction action = StartAction::Run;
  // The first argument as an absolute path (bytes as given); empty when there is none.
  std::string path;
  // The option that was not understood, for StartAction::Refuse.
  std::string refusedOption;
};

inline constexpr int kRefusedExitCode = 2;

// `arguments` are the program's arguments after its name. The first of them that starts
// with '-' decides: "--help", "--version", or a refusal. Otherwise the first argument is the
// path, made absolute against `workingDirectory`.
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
