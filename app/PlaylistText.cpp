#include "app/PlaylistText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>

#include "app/CommandLine.h"

namespace {

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && equalIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

std::vector<std::string_view> lines(std::string_view text) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  std::vector<std::string_view> result;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    result.push_back(line);
  }
  return result;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::vector<std::string> m3uEntries(std::string_view text) {
  std::vector<std::string> entries;
  for (std::string_view line : lines(text)) {
    line = trimmed(line);
    if (!line.empty() && !line.starts_with('#')) entries.emplace_back(line);
  }
  return entries;
}

// PLS numbers its entries; a file written by hand may list them out of order.
std::vector<std::string> plsEntries(std::string_view text) {
  constexpr std::string_view kFileKey = "file";
  std::map<unsigned long, std::string> numbered;
  for (const std::string_view line : lines(text)) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = trimmed(line.substr(0, equals));
    if (key.size() <= kFileKey.size() || !equalIgnoringCase(key.substr(0, kFileKey.size()), kFileKey)) continue;
    const std::string_view number = key.substr(kFileKey.size());
    unsigned long index = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), index);
    if (error != std::errc() || end != number.data() + number.size()) continue;
    const std::string_view value = trimmed(line.substr(equals + 1));
    if (!value.empty()) numbered.emplace(index, std::string(value));
  }
  std::vector<std::string> entries;
  for (auto& [number, entry] : numbered) entries.push_back(std::move(entry));
  return entries;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A URL's path carries the bytes of a name percent-encoded; a malformed escape stays as it is.
std::string percentDecoded(std::string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = hexValue(text[i + 1]);
      const int low = hexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        bytes.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    bytes.push_back(text[i]);
  }
  return bytes;
}

// "scheme://" at the start, the scheme being a letter followed by letters, digits, "+", "-"
// or "."; its length, or 0.
std::size_t schemeLength(std::string_view entry) {
  if (entry.empty() || !std::isalpha(static_cast<unsigned char>(entry.front()))) return 0;
  std::size_t length = 1;
  while (length < entry.size() && (std::isalnum(static_cast<unsigned char>(entry[length])) ||
                                   entry[length] == '+' || entry[length] == '-' || entry[length] == '.')) {
    ++length;
  }
  return entry.substr(length).starts_with("://") ? length : 0;
}

bool isWindowsDrivePath(std::string_view entry) {
  return entry.size() >= 3 && std::isalpha(static_cast<unsigned char>(entry[0])) && entry[1] == ':' &&
         (entry[2] == '\\' || entry[2] == '/');
}

std::optional<std::string> localPathOfFileUrl(std::string_view url) {
  constexpr std::string_view kFileScheme = "file:";
  std::string_view rest = url.substr(kFileScheme.size());
  if (rest.starts_with("//")) {
    rest.remove_prefix(2);
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string_view host = rest.substr(0, slash);
    if (!host.empty() && !equalIgnoringCase(host, "localhost")) return std::nullopt;
    rest.remove_prefix(slash);
  }
  if (!rest.starts_with('/')) return std::nullopt;
  return percentDecoded(rest);
}

}  // namespace

std::optional<PlaylistKind> playlistKindOf(std::string_view path) {
  if (endsWithIgnoringCase(path, ".m3u") || endsWithIgnoringCase(path, ".m3u8")) return PlaylistKind::M3u;
  if (endsWithIgnoringCase(path, ".pls")) return PlaylistKind::Pls;
  return std::nullopt;
}

std::vector<std::string> playlistEntries(std::string_view text, PlaylistKind kind) {
  return kind == PlaylistKind::M3u ? m3uEntries(text) : plsEntries(text);
}

std::optional<std::string> localPathOfEntry(std::string_view entry, std::string_view folder) {
  if (entry.size() >= 5 && equalIgnoringCase(entry.substr(0, 5), "file:")) return localPathOfFileUrl(entry);
  if (schemeLength(entry) > 0 || isWindowsDrivePath(entry)) return std::nullopt;
  return absolutePath(entry, folder);
}
