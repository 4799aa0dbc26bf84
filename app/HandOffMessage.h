#pragma once

// The message a second start sends to the running player: its paths as a block of
// zero-terminated byte strings, framed for a stream socket as
//
//   offset 0  4 bytes  dwData, little-endian, always 0
//   offset 4  4 bytes  cbData, little-endian: the block's length
//   offset 8  cbData   each path's bytes followed by one zero byte, in order
//
// A block of one path is the data-copy record of a single argument (its bytes and one zero
// byte), and a block of one zero byte alone, a start without an argument, carries no path:
// a sender that hands over one path or none sends what it always did. No path is empty.
//
// The receiver answers one acknowledgement byte once it has handled a valid block. These
// functions are pure and free of Qt so that the decoder can be fuzzed on its own.
// Pure functions on bytes; any thread.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t kHandOffHeaderBytes = 8;
// The largest block accepted: room for the paths of a large music folder.
inline constexpr uint32_t kHandOffMaxBlockBytes = 16 * 1024 * 1024;
inline constexpr char kHandOffAcknowledgement = 0x06;

// The whole frame for `paths`, none of which may be empty or hold a zero byte; any length,
// see handOffFits.
std::string encodeHandOff(const std::vector<std::string>& paths);

// Whether the frame for `paths` is small enough for a receiver to accept.
bool handOffFits(const std::vector<std::string>& paths);

enum class HandOffStatus {
  Incomplete,  // a prefix of a frame that may still become valid
  Complete,    // exactly one valid frame
  Invalid,     // can never become valid, whatever follows
};

struct HandOffDecoded {
  HandOffStatus status = HandOffStatus::Incomplete;
  std::vector<std::string> paths;  // without their terminating zeros, when Complete
};

// Decodes everything received so far on one connection. A frame is refused when dwData is
// not 0, when cbData is 0 or over kHandOffMaxBlockBytes, when its block does not end in a
// zero byte or holds an empty path (two zero bytes in a row) other than the lone zero byte
// of no path, or when more bytes follow it.
HandOffDecoded decodeHandOff(std::string_view received);
