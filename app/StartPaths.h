#pragma once

// What the paths of a command line add to the playlist: a readable file is one entry, a
// folder adds the audio files under it, a .m3u, .m3u8 or .pls playlist adds the local files
// it lists. What cannot be added is reported, one line each, and left out, so that no start
// adds an entry that names nothing. Runs on the starting thread before the player or the
// hand-off; no Qt.

#include <string>
#include <string_view>
#include <vector>

#include "app/CommandLine.h"

struct StartPaths {
  // Absolute paths (bytes), in the order given; a folder's files in natural order.
  std::vector<std::string> entries;
  // Lines for standard error, each "tembr: ..." and ending in a newline.
  std::vector<std::string> problems;
};

// The exit status of a start given paths of which none could be added.
inline constexpr int kNothingToAddExitCode = 1;

StartPaths expandStartPaths(const std::vector<GivenPath>& paths);

// Whether `a` comes before `b` in natural order: runs of digits compare by their value, so
// "2 x.mp3" comes before "10 x.mp3"; letters compare without regard to case.
bool naturalLess(std::string_view a, std::string_view b);
