// Every supported format, encoded at test time by the ffmpeg tool: it opens through the
// demuxer its first bytes name, plays the tone it was made from, ends with its position equal
// to its length, and seeks to the exact sample, near the end of a long Ogg file too without
// reading the file from its start.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>
#include <vector>

#include "audio/decode/ContainerSniff.h"
#include "audio/decode/Decoder.h"
#include "audio/decode/FfmpegDecoder.h"
#include "tests/audio/support/AudioFixtures.h"
#include "tests/audio/support/EngineHarness.h"

namespace {

using audio::Activity;
using fixtures::EngineHarness;
using fixtures::kRate;

struct Format {
  const char* name;
  const char* extension;
  const char* encoderArgs;
  bool lossless;
  // The demuxer its first bytes name without probing; nullptr where FFmpeg probes.
  const char* sniffed;
};

void PrintTo(const Format& format, std::ostream* os) { *os << format.name; }

const Format kFormats[] = {
    {"wav", "wav", "", true, "wav"},
    {"aiff", "aiff", "", true, nullptr},
    {"flac", "flac", "", true, "flac"},
    {"mp3", "mp3", "-c:a libmp3lame -b:a 192k", false, "mp3"},
    {"vorbis", "ogg", "-c:a libvorbis -q:a 6", false, "ogg"},
    {"opus", "opus", "-c:a libopus -b:a 160k", false, "ogg"},
    {"aac", "m4a", "-c:a aac -b:a 192k", false, "mov"},
};

// A sine centred on bin 40 of the 1024-point spectrum at the output rate.
constexpr int kToneBin = 40;
const double kToneHz = kToneBin * double{kRate} / 1024.0;
constexpr double kToneSeconds = 1.5;
constexpr double kToneAmplitude = 0.5;

std::string fixtureFor(const Format& format) {
  static std::map<std::string, std::string> made;
  auto& path = made[format.name];
  if (path.empty()) {
    const std::string wav = fixtures::writeSineWav("tone-source.wav", kRate, 2, kToneHz,
                                                   kToneSeconds, kToneAmplitude);
    path = format.extension == std::string("wav")
               ? wav
               : fixtures::encodeWithFfmpeg(wav, std::string("tone-") + format.name + "." +
                                                     format.extension,
                                            format.encoderArgs);
  }
  return path;
}

std::vector<float> decodeAll(audio::Decoder& decoder) {
  std::vector<float> all;
  std::vector<float> piece(2 * 1000);
  for (int got; (got = decoder.read(piece.data(), 1000)) > 0;) {
    all.insert(all.end(), piece.begin(), piece.begin() + 2 * got);
  }
  return all;
}

class DecoderFormatsTest : public EngineHarness, public ::testing::WithParamInterface<Format> {
 protected:
  void SetUp() override {
    EngineHarness::SetUp();
    path_ = fixtureFor(GetParam());
    ASSERT_FALSE(path_.empty()) << "ffmpeg could not make the fixture";
  }
  std::string path_;
};

// Whether FFmpeg's comma-separated list of a demuxer's names holds `name`.
bool namesInclude(const std::string& names, const std::string& name) {
  std::istringstream list(names);
  for (std::string one; std::getline(list, one, ',');) {
    if (one == name) return true;
  }
  return false;
}

TEST_P(DecoderFormatsTest, PlaysTheToneItWasMadeFrom) {
  const char* sniffed = GetParam().sniffed;
  EXPECT_STREQ(audio::sniffDemuxer(path_), sniffed) << "the demuxer named by the file's first bytes";
  // The open takes the demuxer named, and FFmpeg probes only where none is.
  const auto decoder = audio::FfmpegDecoder::open(path_);
  ASSERT_TRUE(decoder);
  EXPECT_EQ(decoder->demuxerProbed(), sniffed == nullptr) << decoder->demuxerName();
  if (sniffed != nullptr) {
    EXPECT_TRUE(namesInclude(decoder->demuxerName(), sniffed)) << decoder->demuxerName();
  }
  const auto stream = open(path_);
  ASSERT_NE(stream, 0u);
  engine().play(stream, false);
  render(kRate / 2);
  float spectrum[512];
  ASSERT_TRUE(engine().getFft1024(stream, spectrum));
  EXPECT_EQ(std::max_element(spectrum, spectrum + 512) - spectrum, kToneBin);
  EXPECT_NEAR(spectrum[kToneBin], kToneAmplitude / 2, 0.02);
}

TEST_P(DecoderFormatsTest, EndsInactiveWithThePositionEqualToTheLengthAlsoAfterASeek) {
  const auto stream = open(path_);
  ASSERT_NE(stream, 0u);
  EXPECT_NEAR(engine().bytesToSeconds(stream, engine().getLength(stream)), kToneSeconds, 0.1);
  engine().play(stream, false);
  renderToEnd(stream);
  EXPECT_EQ(engine().isActive(stream), Activity::Stopped);
  const int64_t length = engine().getLength(stream);
  EXPECT_EQ(engine().getPosition(stream), length);
  EXPECT_NEAR(engine().bytesToSeconds(stream, length), kToneSeconds, 0.06);
  ASSERT_TRUE(engine().setPosition(stream, length - length / 20));
  engine().play(stream, false);
  EXPECT_EQ(engine().isActive(stream), Activity::Playing);
  renderToEnd(stream);
  EXPECT_EQ(engine().isActive(stream), Activity::Stopped);
  EXPECT_EQ(engine().getPosition(stream), length);
  EXPECT_EQ(engine().getLength(stream), length);
}

TEST_P(DecoderFormatsTest, SeekingGivesTheSamplesOfAStraightDecode) {
  auto decoder = audio::openDecoder(path_);
  ASSERT_TRUE(decoder);
  const std::vector<float> straight = decodeAll(*decoder);
  const auto frames = static_cast<int64_t>(straight.size() / 2);
  EXPECT_TRUE(decoder->lengthExact());
  EXPECT_EQ(decoder->lengthFrames(), frames);
  // A one-frame slip of this tone moves samples by up to 0.12; lossy codecs that restart
  // decoding at another packet differ by far less.
  const float tolerance = GetParam().lossless ? 0.0f : 0.03f;
  constexpr int kCompared = 300;
  for (int64_t target : {frames / 2, int64_t{1}, int64_t{0}, frames / 3 + 7, frames - kCompared,
                         int64_t{12345}}) {
    SCOPED_TRACE(target);
    ASSERT_TRUE(decoder->seek(target));
    EXPECT_EQ(decoder->position(), target);
    std::vector<float> piece(2 * kCompared);
    ASSERT_EQ(decoder->read(piece.data(), kCompared), kCompared);
    float worst = 0.0f;
    for (int i = 0; i < 2 * kCompared; ++i) {
      worst = std::max(worst, std::abs(piece[i] - straight[static_cast<size_t>(2 * target) + i]));
    }
    EXPECT_LE(worst, tolerance);
  }
}

// One tone cut into two files plays as one: the second file's first sample follows the
// first file's last, with the codecs' padding at either end trimmed away, also when the
// second file runs at another rate and is resampled.
TEST_P(DecoderFormatsTest, TheNextFileFollowsTheLastSampleWithoutAGap) {
  constexpr double kHz = 220.0;
  constexpr double kAmplitude = 0.5;
  constexpr double kFirstSeconds = 0.7;  // ends part-way through a period
  const int firstFrames = static_cast<int>(std::lround(kFirstSeconds * kRate));
  const Format& format = GetParam();
  for (int nextRate : {kRate, 48000}) {
    SCOPED_TRACE(nextRate);
    const auto encode = [&format](const std::string& wav, const std::string& name) {
      return format.extension == std::string("wav")
                 ? wav
                 : fixtures::encodeWithFfmpeg(wav, name + "." + format.extension, format.encoderArgs);
    };
    const std::string first = encode(fixtures::writeSineWav("gap-first.wav", kRate, 2, kHz, kFirstSeconds, kAmplitude),
                                     std::string("gap-first-") + format.name);
    const std::string second =
        encode(fixtures::writeSineWav("gap-second-" + std::to_string(nextRate) + ".wav", nextRate, 2, kHz, 0.5,
                                      kAmplitude, kFirstSeconds),
               std::string("gap-second-") + format.name + std::to_string(nextRate));
    ASSERT_FALSE(first.empty() || second.empty());
    const auto stream = open(first);
    const auto next = engine().streamCreateFileAfter(stream, second);
    ASSERT_NE(next, 0u);
    ASSERT_TRUE(engine().streamAwaitOpen(next));
    engine().play(stream, false);
    const auto left = channel(render(firstFrames + kRate / 5), 0);
    EXPECT_EQ(engine().isActive(stream), Activity::Stopped);
    EXPECT_EQ(engine().isActive(next), Activity::Playing);
    EXPECT_DOUBLE_EQ(engine().bytesToSeconds(stream, engine().getLength(stream)), kFirstSeconds);
    double worst = 0.0;
    for (int i = firstFrames - kRate / 100; i < firstFrames + kRate / 100; ++i) {
      const double tone = kAmplitude * std::sin(2.0 * std::numbers::pi * kHz * i / kRate);
      worst = std::max(worst, std::abs(left[static_cast<size_t>(i)] - tone));
    }
    // A slip of one frame moves this tone's samples by 0.016; lossy codecs, which are off by
    // about that everywhere, are held to the exact length above instead.
    EXPECT_LT(worst, format.lossless ? 0.002 : 0.03);
    engine().streamFree(stream);
    // The next round's first file starts once this one has faded out.
    render(fadeFrames());
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, DecoderFormatsTest, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

// Bytes this process has read through system calls so far.
int64_t bytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  int64_t value = 0;
  while (io >> key >> value) {
    if (key == "rchar:") return value;
  }
  return -1;
}

class DecoderLongOggTest : public ::testing::TestWithParam<Format> {};

// A seek into the last seconds of a long Ogg file lands on the exact sample by reading the
// pages there, not by decoding the file from its start, which takes seconds for an hour.
TEST_P(DecoderLongOggTest, ASeekNearTheEndIsExactWithoutReadingTheFileFromItsStart) {
  constexpr double kSeconds = 120.0;
  const Format& format = GetParam();
  const std::string wav = fixtures::writeSineWav("long-source.wav", kRate, 1, kToneHz, kSeconds, kToneAmplitude);
  const std::string path =
      fixtures::encodeWithFfmpeg(wav, std::string("long-") + format.name + "." + format.extension, format.encoderArgs);
  ASSERT_FALSE(path.empty());
  const auto size = static_cast<int64_t>(std::filesystem::file_size(path));
  // The last seconds of a straight decode, to compare with.
  auto straight = audio::openDecoder(path);
  ASSERT_TRUE(straight);
  const auto kept = static_cast<size_t>(10 * straight->sampleRate());
  std::vector<float> end(2 * kept);
  std::vector<float> piece(2 * 4096);
  int64_t frames = 0;
  for (int got; (got = straight->read(piece.data(), 4096)) > 0; frames += got) {
    for (int i = 0; i < got; ++i) {
      const size_t at = 2 * static_cast<size_t>((frames + i) % static_cast<int64_t>(kept));
      end[at] = piece[2 * i];
      end[at + 1] = piece[2 * i + 1];
    }
  }
  auto decoder = audio::openDecoder(path);
  ASSERT_TRUE(decoder);
  constexpr int kCompared = 300;
  // Each seek plays on to the end, as a listener's would, before the next.
  for (const double fromEnd : {7.0, 3.0, 0.5, 0.03, 0.05, 0.01}) {
    SCOPED_TRACE(fromEnd);
    const int64_t target = frames - static_cast<int64_t>(fromEnd * decoder->sampleRate());
    const int64_t before = bytesRead();
    ASSERT_TRUE(decoder->seek(target));
    const int count = decoder->read(piece.data(), kCompared);
    EXPECT_LT(bytesRead() - before, size / 2);
    ASSERT_EQ(count, std::min<int64_t>(kCompared, frames - target));
    float worst = 0.0f;
    for (int i = 0; i < count; ++i) {
      const size_t at = 2 * static_cast<size_t>((target + i) % static_cast<int64_t>(kept));
      worst = std::max({worst, std::abs(piece[2 * i] - end[at]), std::abs(piece[2 * i + 1] - end[at + 1])});
    }
    EXPECT_LE(worst, 0.03f);
    while (decoder->read(piece.data(), 4096) > 0) {
    }
    EXPECT_EQ(decoder->position(), frames);
  }
}

// Long files are kept at low bit rates, where Ogg's pages each hold the most time.
INSTANTIATE_TEST_SUITE_P(Ogg, DecoderLongOggTest,
                         ::testing::Values(Format{"vorbis", "ogg", "-c:a libvorbis -q:a 0", false, "ogg"},
                                           Format{"opus", "opus", "-c:a libopus -b:a 32k", false, "ogg"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
