#pragma once

// The message a second start sends to the running player: the first command-line argument
// as a zero-terminated byte block, framed for a stream socket as
//
//   offset 0  4 bytes  dwData, little-endian, always 0
//   offset 4  4 bytes  cbData, little-endian: the block's length (argument bytes + 1)
//   offset 8  cbData   the argument's bytes followed by one zero byte
//
// The receiver answers one acknowledgement byte once it has handled a valid block. These
// functions are pure and free of Qt so that the decoder can be fuzzed on its own.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::size_t kHandOffHeaderBytes = 8;
// The largest block accepted, terminating zero included.
inline constexpr uint32_t kHandOffMaxBlockBytes = 64 * 1024;
inline constexpr char kHandOffAcknowledgement = 0x06;

// The whole frame for `argument`; any length, see handOffFits.
std::string encodeHandOff(std::string_view argument);

// Whether the frame for `argument` is small enough for a receiver to accept.
bool handOffFits(std::string_view argument);

enum class HandOffStatus {
  Incomplete,  // a prefix of a frame that may still become valid
  Complete,    // exactly one valid frame
  Invalid,     // can never become valid, whatever follows
};

struct HandOffDecoded {
  HandOffStatus status = HandOffStatus::Incomplete;
  std::string path;  // the argument without its terminating zero, when Complete
};

// Decodes everything received so far on one connection. A frame is refused when dwData is
// not 0, when cbData is 0 or over kHandOffMaxBlockBytes, when its block does not end in a
// zero byte or holds a zero byte before the end (no path contains one), or when more bytes
// follow it.
HandOffDecoded decodeHandOff(std::string_view received);
