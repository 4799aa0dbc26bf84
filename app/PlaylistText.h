#pragma once

// Reading the playlist files that a desktop hands the player (.m3u, .m3u8, .pls): which
// entries they list, and which of those name local files. Pure functions on bytes, no Qt and
// no file access, so that the command line can use them before any application object exists.
// Any thread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class PlaylistKind { M3u, Pls };

// The kind of playlist that a file name's extension names (case does not matter); nothing for
// any other file.
std::optional<PlaylistKind> playlistKindOf(std::string_view path);

// The entries of a playlist's text, as written, in order: for M3U every line that is neither
// empty nor a comment ("#..."); for PLS the values of the keys File1, File2... in the order of
// their numbers. A UTF-8 byte order mark and carriage returns are dropped.
std::vector<std::string> playlistEntries(std::string_view text, PlaylistKind kind);

// The local path an entry names: a path relative to `folder` (the playlist's own folder) or
// absolute, or a file:// URL (percent-encoded bytes decoded). Nothing when the entry names
// something that is not a local file: a URL of another scheme, another host, or a Windows
// drive.
std::optional<std::string> localPathOfEntry(std::string_view entry, std::string_view folder);
