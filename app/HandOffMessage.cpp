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

}  // namespace

std::string encodeHandOff(std::string_view argument) {
  std::string frame;
  frame.reserve(kHandOffHeaderBytes + argument.size() + 1);
  appendLittleEndian(frame, kDataKind);
  appendLittleEndian(frame, static_cast<uint32_t>(argument.size() + 1));
  frame.append(argument);
  frame.push_back('\0');
  return frame;
}

bool handOffFits(std::string_view argument) { return argument.size() < kHandOffMaxBlockBytes; }

HandOffDecoded decodeHandOff(std::string_view received) {
  const auto invalid = [] { return HandOffDecoded{HandOffStatus::Invalid, {}}; };
  // Each header field is judged as soon as it is in, so that a bad peer is dropped early.
  if (received.size() >= 4 && readLittleEndian(received, 0) != kDataKind) return invalid();
  if (received.size() < kHandOffHeaderBytes) return {};
  const uint32_t blockBytes = readLittleEndian(received, 4);
  if (blockBytes == 0 || blockBytes > kHandOffMaxBlockBytes) return invalid();

  const std::string_view block = received.substr(kHandOffHeaderBytes);
  const std::string_view path = block.substr(0, std::min<std::size_t>(block.size(), blockBytes - 1));
  if (path.find('\0') != std::string_view::npos) return invalid();
  if (block.size() < blockBytes) return {};
  if (block.size() > blockBytes || block.back() != '\0') return invalid();
  return {HandOffStatus::Complete, std::string(path)};
}
