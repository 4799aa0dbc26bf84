#include "app/HandOffMessage.h"

#include <algorithm>

namespace {

void appendLittleEndian(std::string& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((value >> shift) & 0xFFu));
}

uint32_t readLittleEndian(std::string_view bytes, std::size_t offset) {
  uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
  }
  return value;
}

constexpr uint32_t kDataKind = 0;

std::size_t blockBytes(const std::vector<std::string>& paths) {
  std::size_t bytes = 0;
  for (const std::string& path : paths) bytes += path.size() + 1;
  return std::max<std::size_t>(bytes, 1);
}

// Whether the block received so far (the whole block, or the start of it) can be part of a
// valid one: no empty path, except the lone zero byte of a start without paths.
bool blockPrefixValid(std::string_view block, uint32_t announced) {
  if (announced == 1) return true;
  return !block.starts_with('\0') && block.find(std::string_view("\0\0", 2)) == std::string_view::npos;
}

std::vector<std::string> splitPaths(std::string_view block) {
  std::vector<std::string> paths;
  while (block.size() > 1) {
    const std::size_t end = block.find('\0');
    paths.emplace_back(block.substr(0, end));
    block.remove_prefix(end + 1);
  }
  return paths;
}

}  // namespace

std::string encodeHandOff(const std::vector<std::string>& paths) {
  const std::size_t bytes = blockBytes(paths);
  std::string frame;
  frame.reserve(kHandOffHeaderBytes + bytes);
  appendLittleEndian(frame, kDataKind);
  appendLittleEndian(frame, static_cast<uint32_t>(std::min<std::size_t>(bytes, UINT32_MAX)));
  for (const std::string& path : paths) {
    frame.append(path);
    frame.push_back('\0');
  }
  if (paths.empty()) frame.push_back('\0');
  return frame;
}

bool handOffFits(const std::vector<std::string>& paths) { return blockBytes(paths) <= kHandOffMaxBlockBytes; }

HandOffDecoded decodeHandOff(std::string_view received) {
  const auto invalid = [] { return HandOffDecoded{HandOffStatus::Invalid, {}}; };
  // Each header field is judged as soon as it is in, so that a bad peer is dropped early.
  if (received.size() >= 4 && readLittleEndian(received, 0) != kDataKind) return invalid();
  if (received.size() < kHandOffHeaderBytes) return {};
  const uint32_t announced = readLittleEndian(received, 4);
  if (announced == 0 || announced > kHandOffMaxBlockBytes) return invalid();

  const std::string_view block = received.substr(kHandOffHeaderBytes);
  if (!blockPrefixValid(block.substr(0, announced), announced)) return invalid();
  if (block.size() < announced) return {};
  if (block.size() > announced || block.back() != '\0') return invalid();
  return {HandOffStatus::Complete, splitPaths(block)};
}
