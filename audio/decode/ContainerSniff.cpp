#include "audio/decode/ContainerSniff.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <span>

namespace audio {

namespace {

constexpr std::size_t kId3HeaderSize = 10;
// Enough to reach the third of three MPEG audio frames of the longest kind (MPEG-2.5
// Layer II at 160 kbit/s and 8 kHz, 2881 bytes with padding).
constexpr std::size_t kHeadSize = 2 * 2881 + 4;
// Tags in a row before the head counts as unreadable.
constexpr int kMaxTags = 8;
constexpr int kMpegFramesInARow = 3;
// The header bits that stay the same from frame to frame of one stream: sync, version, layer
// and sampling rate. The mode and the flags may change; encoders write the first frame, which
// holds the stream's length, with other ones.
constexpr uint32_t kSameStreamMask = 0xFFFE0C00;

bool startsWith(std::span<const unsigned char> bytes, std::size_t at, const char* text) {
  const std::size_t length = std::strlen(text);
  return bytes.size() >= at + length && std::memcmp(bytes.data() + at, text, length) == 0;
}

// The length in bytes of the MPEG audio frame whose header is `header`, or 0 where the
// header is not a valid one (or uses the free bit rate, whose length no header tells).
std::size_t mpegFrameLength(uint32_t header) {
  static constexpr std::array<std::array<uint16_t, 15>, 5> kKbits{{
      {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // MPEG-1 Layer I
      {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // MPEG-1 Layer II
      {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // MPEG-1 Layer III
      {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // MPEG-2/2.5 Layer I
      {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // MPEG-2/2.5 Layer II, III
  }};
  static constexpr std::array<uint32_t, 3> kMpeg1Rates{44100, 48000, 32000};
  if ((header & 0xFFE00000u) != 0xFFE00000u) return 0;
  const uint32_t version = (header >> 19) & 3;  // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
  const uint32_t layerBits = (header >> 17) & 3;  // 3: Layer I, 2: Layer II, 1: Layer III
  const uint32_t bitRateIndex = (header >> 12) & 0xF;
  const uint32_t sampleRateIndex = (header >> 10) & 3;
  const uint32_t padding = (header >> 9) & 1;
  if (version == 1 || layerBits == 0 || bitRateIndex == 0 || bitRateIndex == 15 || sampleRateIndex == 3) return 0;
  const int layer = 4 - static_cast<int>(layerBits);
  const bool mpeg1 = version == 3;
  const uint32_t rate = kMpeg1Rates[sampleRateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
  const std::size_t table = mpeg1 ? static_cast<std::size_t>(layer - 1) : layer == 1 ? 3 : 4;
  const uint32_t bitsPerSecond = kKbits[table][bitRateIndex] * 1000u;
  if (layer == 1) return (12 * bitsPerSecond / rate + padding) * 4;
  if (layer == 3 && !mpeg1) return 72 * bitsPerSecond / rate + padding;
  return 144 * bitsPerSecond / rate + padding;
}

uint32_t bigEndian32(std::span<const unsigned char> bytes, std::size_t at) {
  return (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) | (uint32_t{bytes[at + 2]} << 8) |
         uint32_t{bytes[at + 3]};
}

bool mpegFramesInARow(std::span<const unsigned char> head) {
  std::size_t at = 0;
  uint32_t first = 0;
  for (int frame = 0; frame < kMpegFramesInARow; ++frame) {
    if (head.size() < at + 4) return false;
    const uint32_t header = bigEndian32(head, at);
    const std::size_t length = mpegFrameLength(header);
    if (length == 0) return false;
    if (frame == 0) first = header;
    if ((header & kSameStreamMask) != (first & kSameStreamMask)) return false;
    at += length;
  }
  return true;
}

bool readAt(int fd, std::size_t offset, std::span<unsigned char> into, std::size_t& got) {
  got = 0;
  while (got < into.size()) {
    const ssize_t n = ::pread(fd, into.data() + got, into.size() - got, static_cast<off_t>(offset + got));
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

// The length of the ID3v2 tag that `head` starts with (header, body and footer), or 0.
std::size_t id3v2TagLength(std::span<const unsigned char> head) {
  if (head.size() < kId3HeaderSize || !startsWith(head, 0, "ID3") || head[3] == 0xFF || head[4] == 0xFF) return 0;
  std::size_t body = 0;
  for (std::size_t i = 6; i < kId3HeaderSize; ++i) {
    if ((head[i] & 0x80) != 0) return 0;
    body = (body << 7) | head[i];
  }
  const bool footer = (head[5] & 0x10) != 0;
  return kId3HeaderSize + body + (footer ? kId3HeaderSize : 0);
}

// The demuxer for a stream that starts with `head`, its tags skipped; nullptr when unsure.
const char* demuxerNamedBy(std::span<const unsigned char> head) {
  if (startsWith(head, 0, "fLaC")) return "flac";
  if (startsWith(head, 0, "OggS") && head.size() > 4 && head[4] == 0) return "ogg";
  if (startsWith(head, 0, "RIFF") && startsWith(head, 8, "WAVE")) return "wav";
  if (startsWith(head, 4, "ftyp")) return "mov";
  if (mpegFramesInARow(head)) return "mp3";
  return nullptr;
}

}  // namespace

const char* sniffDemuxer(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  std::array<unsigned char, kId3HeaderSize> tag{};
  std::size_t offset = 0;
  std::size_t got = 0;
  int tags = 0;
  for (; tags < kMaxTags; ++tags) {
    if (!readAt(fd, offset, tag, got)) break;
    const std::size_t length = id3v2TagLength(std::span(tag.data(), got));
    if (length == 0) break;
    offset += length;
  }
  const char* named = nullptr;
  if (tags < kMaxTags) {
    std::array<unsigned char, kHeadSize> head;
    if (readAt(fd, offset, head, got)) named = demuxerNamedBy(std::span(head.data(), got));
  }
  ::close(fd);
  return named;
}

}  // namespace audio
