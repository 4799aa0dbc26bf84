// Which files go to a demuxer without probing. Naming a demuxer for a file it cannot read
// would play it as noise or not at all, so every doubtful head must name nothing and leave
// the choice to FFmpeg's probing.

#include "audio/decode/ContainerSniff.h"

#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/audio/support/AudioFixtures.h"

namespace {

using Bytes = std::vector<unsigned char>;

// The bytes of a string literal, NULs included, without the terminating one.
template <std::size_t N>
Bytes text(const char (&s)[N]) {
  return Bytes(s, s + N - 1);
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// `count` MPEG audio frames of `length` bytes each, with the headers given in turn (the last
// one repeating) and silent bodies.
Bytes mpegFrames(int count, std::size_t length, std::initializer_list<uint32_t> headers) {
  Bytes out;
  for (int i = 0; i < count; ++i) {
    const uint32_t header = *(headers.begin() + std::min<std::size_t>(i, headers.size() - 1));
    Bytes frame(length, 0);
    for (int b = 0; b < 4; ++b) frame[b] = static_cast<unsigned char>(header >> (24 - 8 * b));
    out = out + frame;
  }
  return out;
}

// An ID3v2.4 tag with a body of `body` bytes, and a footer when asked.
Bytes id3Tag(std::size_t body, bool footer = false) {
  Bytes tag{'I', 'D', '3', 4, 0, static_cast<unsigned char>(footer ? 0x10 : 0),
            static_cast<unsigned char>((body >> 21) & 0x7F), static_cast<unsigned char>((body >> 14) & 0x7F),
            static_cast<unsigned char>((body >> 7) & 0x7F), static_cast<unsigned char>(body & 0x7F)};
  tag.resize(10 + body + (footer ? 10 : 0), 0);
  return tag;
}

struct Head {
  const char* what;
  Bytes bytes;
  const char* demuxer;
};

void PrintTo(const Head& head, std::ostream* os) { *os << head.what; }

constexpr uint32_t kMpeg1Layer3 = 0xFFFB9000;  // 128 kbit/s, 44.1 kHz: 417 bytes

const Head kHeads[] = {
    {"FLAC", text("fLaC") + Bytes(40, 0), "flac"},
    {"Ogg", text("OggS") + Bytes(40, 0), "ogg"},
    {"Ogg of an unknown version", text("OggS\x01") + Bytes(40, 0), nullptr},
    {"RIFF WAVE", text("RIFF\x24\x00\x00\x00WAVEfmt ") + Bytes(40, 0), "wav"},
    {"RIFF of another kind", text("RIFF\x24\x00\x00\x00" "AVI LIST") + Bytes(40, 0), nullptr},
    {"ISO media", text("\x00\x00\x00\x20" "ftypM4A ") + Bytes(40, 0), "mov"},
    {"MPEG-1 Layer III", mpegFrames(3, 417, {kMpeg1Layer3}), "mp3"},
    {"MPEG-1 Layer III with padding", mpegFrames(3, 418, {0xFFFB9200}), "mp3"},
    {"MPEG-2 Layer III, 64 kbit/s at 22.05 kHz", mpegFrames(3, 208, {0xFFF38000}), "mp3"},
    {"MPEG-1 Layer II, 192 kbit/s at 48 kHz", mpegFrames(3, 576, {0xFFFDA400}), "mp3"},
    {"MPEG-1 Layer I, 384 kbit/s at 44.1 kHz", mpegFrames(3, 416, {0xFFFFC000}), "mp3"},
    {"MPEG audio after ID3v2 tags, one with a footer",
     id3Tag(300) + id3Tag(20, true) + mpegFrames(3, 417, {kMpeg1Layer3}), "mp3"},
    {"FLAC after an ID3v2 tag", id3Tag(5000) + text("fLaC") + Bytes(40, 0), "flac"},
    {"two MPEG frames, then other data", mpegFrames(2, 417, {kMpeg1Layer3}) + Bytes(900, 0x55), nullptr},
    {"frames whose rate changes", mpegFrames(3, 417, {kMpeg1Layer3, kMpeg1Layer3, 0xFFFB9400}), nullptr},
    {"frames whose mode and flags change", mpegFrames(3, 417, {kMpeg1Layer3, 0xFFFB9064}), "mp3"},
    {"frame lengths that do not match their headers", mpegFrames(3, 400, {kMpeg1Layer3}), nullptr},
    {"a byte before the first frame", Bytes(1, 0) + mpegFrames(3, 417, {kMpeg1Layer3}), nullptr},
    {"AAC in ADTS (sync, but layer 0)", mpegFrames(3, 417, {0xFFF15080}), nullptr},
    {"MPEG audio at the free bit rate", mpegFrames(3, 417, {0xFFFB0000}), nullptr},
    {"an ID3v2 tag that runs past the end", id3Tag(0) + Bytes{'I', 'D', '3', 4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F},
     nullptr},
    {"an ID3v2 header whose size is not syncsafe",
     Bytes{'I', 'D', '3', 4, 0, 0, 0, 0, 0x80, 0} + mpegFrames(3, 417, {kMpeg1Layer3}), nullptr},
    {"an empty file", Bytes{}, nullptr},
};

class ContainerSniffTest : public ::testing::TestWithParam<Head> {};

TEST_P(ContainerSniffTest, NamesADemuxerOnlyWhereTheHeadLeavesNoDoubt) {
  const std::string path = fixtures::tempDir() + "/sniff-head.bin";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const Bytes& bytes = GetParam().bytes;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  EXPECT_STREQ(audio::sniffDemuxer(path), GetParam().demuxer);
}

INSTANTIATE_TEST_SUITE_P(Heads, ContainerSniffTest, ::testing::ValuesIn(kHeads));

}  // namespace
