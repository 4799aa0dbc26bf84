// Hostile and damaged files: playlists and concat lists dressed up as audio must not make
// the engine read what they point at, and truncated or bit-flipped files must neither crash
// nor hang it.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "audio/decode/Decoder.h"
#include "tests/audio/support/AudioFixtures.h"
#include "tests/audio/support/EngineHarness.h"

namespace {

using audio::Activity;
using fixtures::EngineHarness;
using fixtures::kRate;

std::string writeText(const std::string& name, const std::string& text) {
  const std::string path = fixtures::tempDir() + "/" + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::vector<char> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class DecoderSafetyTest : public EngineHarness {};

TEST_F(DecoderSafetyTest, ListsThatPointAtOtherFilesAreRefused) {
  // Each of these would play `target` if its demuxer were allowed to open it.
  const std::string target = fixtures::writeSineWav("target.wav", kRate, 2, 440.0, 0.5);
  const std::string cases[] = {
      "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\nfile:" + target + "\n#EXT-X-ENDLIST\n",
      "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\n" + target + "\n#EXT-X-ENDLIST\n",
      "ffconcat version 1.0\nfile '" + target + "'\n",
      "[playlist]\nFile1=" + target + "\nNumberOfEntries=1\n",
      "#EXTM3U\n#EXTINF:1,x\nhttp://127.0.0.1:9/x.mp3\n",
  };
  int index = 0;
  for (const std::string& text : cases) {
    SCOPED_TRACE(text);
    for (const char* extension : {".mp3", ".m3u8", ".wav"}) {
      const std::string path = writeText("list" + std::to_string(index++) + extension, text);
      const auto stream = engine().streamCreateFile(path);
      EXPECT_FALSE(engine().streamAwaitOpen(stream));
      EXPECT_EQ(engine().streamStatus(stream), audio::StreamStatus::Failed);
      EXPECT_EQ(engine().getLength(stream), -1);
    }
  }
}

// Only a regular file that can be read reaches a decoder: a path to anything else fails on the
// media thread, which is where the caller learns of it, never by a file call of its own.
TEST_F(DecoderSafetyTest, APathToNoReadableFileFailsWithoutADecoderTryingIt) {
  const std::string fifo = fixtures::tempDir() + "/fifo.wav";
  ::mkfifo(fifo.c_str(), 0600);
  const std::string real = fixtures::writeSineWav("real.wav", kRate, 2, 440.0, 0.1);
  std::atomic<int> tried{0};
  audio::Engine::setDecoderOpener([&tried](const std::string& path) {
    ++tried;
    return audio::openDecoder(path);
  });
  for (const std::string& path : {fixtures::tempDir() + "/missing.wav", fixtures::tempDir(), fifo,
                                  std::string("/dev/null"), std::string(), real + std::string(1, '\0') + "x"}) {
    SCOPED_TRACE(path);
    const auto stream = engine().streamCreateFile(path);
    ASSERT_NE(stream, 0u);
    EXPECT_FALSE(engine().streamAwaitOpen(stream));
    EXPECT_EQ(engine().streamStatus(stream), audio::StreamStatus::Failed);
    EXPECT_TRUE(engine().streamFree(stream));
  }
  audio::Engine::setDecoderOpener(nullptr);
  EXPECT_EQ(tried, 0);
}

TEST_F(DecoderSafetyTest, AColonInThePathIsJustPartOfALocalName) {
  const std::string path = fixtures::writeSineWav("http:local.wav", kRate, 1, 440.0, 0.1);
  EXPECT_TRUE(engine().streamAwaitOpen(engine().streamCreateFile(path)));
  const std::string pipe = fixtures::writeSineWav("pipe:0", kRate, 1, 440.0, 0.1);
  EXPECT_TRUE(engine().streamAwaitOpen(engine().streamCreateFile(pipe)));
}

TEST(DecoderReopenTest, AFileRemovedOrReplacedAfterOpeningEndsTheStreamCleanly) {
  for (const bool replace : {false, true}) {
    SCOPED_TRACE(replace);
    const std::string path = fixtures::writeSineWav("vanishing.wav", kRate, 2, 440.0, 1.0);
    auto decoder = audio::openDecoder(path);
    ASSERT_TRUE(decoder);
    std::remove(path.c_str());
    // A file of another shape in its place must not change the stream under the engine.
    if (replace) fixtures::writeSineWav("vanishing.wav", 22050, 1, 440.0, 1.0);
    std::vector<float> block(2 * 1024);
    // Seeking to the start reopens the file, which fails; later seeks must cope with that.
    EXPECT_FALSE(decoder->seek(0));
    EXPECT_EQ(decoder->read(block.data(), 1024), 0);
    decoder->seek(30000);
    EXPECT_EQ(decoder->read(block.data(), 1024), 0);
    EXPECT_TRUE(decoder->lengthExact());
    EXPECT_EQ(decoder->position(), decoder->lengthFrames());
  }
}

// Plays a stream as far as it goes, with a seek on the way, and checks the end state.
void playThrough(audio::Engine& engine, audio::StreamHandle stream) {
  engine.play(stream, false);
  fixtures::EngineHarness::render(2048);
  engine.setPosition(stream, engine.getLength(stream) / 2);
  float spectrum[512];
  engine.getFft1024(stream, spectrum);
  for (int i = 0; i < 40 && engine.isActive(stream) != Activity::Stopped; ++i) {
    fixtures::EngineHarness::render(4096);
  }
  ASSERT_EQ(engine.isActive(stream), Activity::Stopped);
  EXPECT_EQ(engine.getPosition(stream), engine.getLength(stream));
  for (float magnitude : spectrum) ASSERT_TRUE(std::isfinite(magnitude));
}

struct Damage {
  const char* name;
  const char* extension;
  const char* encoderArgs;
  // How many of the damaged copies must still open, so that the decoding paths are tried.
  int minimumOpened;
};

class DamagedFileTest : public EngineHarness, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedFileTest, TruncatedAndBitFlippedCopiesNeverCrashOrHang) {
  const Damage damage = GetParam();
  const std::string wav = fixtures::writeSineWav("damage-source.wav", kRate, 2, 1000.0, 1.0);
  const std::string original =
      std::string(damage.extension) == "wav"
          ? wav
          : fixtures::encodeWithFfmpeg(wav, std::string("damage.") + damage.extension,
                                       damage.encoderArgs);
  ASSERT_FALSE(original.empty());
  const std::vector<char> bytes = readBytes(original);
  std::mt19937 random(20261208);
  constexpr int kCopies = 50;
  int opened = 0;
  for (int copy = 0; copy < kCopies; ++copy) {
    std::vector<char> damaged = bytes;
    // Damage mostly past the headers, so that most copies still open and their damaged
    // packets reach the decoder; every tenth copy may hit anything.
    const size_t from = copy % 10 == 0 ? 0 : bytes.size() / 3;
    if (copy % 2 == 0) {
      damaged.resize(std::uniform_int_distribution<size_t>(from, bytes.size() - 1)(random));
    } else {
      const int flips = 1 + copy % 16;
      for (int i = 0; i < flips; ++i) {
        const size_t at = std::uniform_int_distribution<size_t>(from, damaged.size() - 1)(random);
        damaged[at] = static_cast<char>(damaged[at] ^ (1 << (random() % 8)));
      }
    }
    const std::string path = fixtures::tempDir() + "/damaged." + damage.extension;
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(damaged.data(),
                                                                   static_cast<std::streamsize>(damaged.size()));
    SCOPED_TRACE(copy);
    const auto stream = open(path);
    if (engine().streamStatus(stream) != audio::StreamStatus::Open) {
      engine().streamFree(stream);
      continue;
    }
    ++opened;
    playThrough(engine(), stream);
    engine().streamFree(stream);
  }
  EXPECT_GE(opened, damage.minimumOpened);
}

INSTANTIATE_TEST_SUITE_P(Formats, DamagedFileTest,
                         // FFmpeg's Ogg demuxer refuses a file whose last page is cut or
                         // fails its checksum, which is where most damage to a small Vorbis
                         // file lands; those copies only prove that refusing is clean.
                         ::testing::Values(Damage{"wav", "wav", "", 25},
                                           Damage{"mp3", "mp3", "-c:a libmp3lame", 25},
                                           Damage{"vorbis", "ogg", "-c:a libvorbis", 0},
                                           Damage{"flac", "flac", "", 25},
                                           Damage{"opus", "opus", "-c:a libopus", 5},
                                           Damage{"aac", "m4a", "-c:a aac", 15}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
