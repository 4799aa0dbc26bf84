// The real-time outputs: SDL through its disk driver, which writes exactly what it is given
// to a file, and the silent output that keeps time without a device. Both are waited on
// with generous limits; no duration is asserted.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

#include "audio/engine/Channel.h"
#include "audio/engine/Engine.h"
#include "audio/output/SilentOutput.h"
#include "tests/audio/support/AudioFixtures.h"

namespace {

using audio::Activity;
using audio::Engine;

constexpr int kRate = 44100;

// Waits until the stream has ended, or gives up after a long while.
bool waitForEnd(audio::StreamHandle stream) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (Engine::instance().isActive(stream) != Activity::Stopped) {
    if (std::chrono::steady_clock::now() > giveUp) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

TEST(OutputRealTimeTest, SdlDiskDriverCapturesWhatIsPlayed) {
  const std::string capture = fixtures::tempDir() + "/capture.raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
  Engine::setOutputFactory(nullptr);
  Engine& engine = Engine::instance();
  ASSERT_TRUE(engine.init(-1, kRate)) << "SDL's disk driver did not open";
  // A DC level on the left and its negative on the right: easy to find in the capture.
  std::vector<int16_t> samples;
  for (int i = 0; i < kRate / 4; ++i) {
    samples.push_back(8192);
    samples.push_back(-8192);
  }
  const auto stream = engine.streamCreateFile(fixtures::writeWav("dc.wav", kRate, 2, samples));
  engine.setAttribute(stream, audio::Attribute::Pan, 0.5f);
  engine.play(stream, false);
  ASSERT_TRUE(waitForEnd(stream));
  EXPECT_EQ(engine.getPosition(stream), engine.getLength(stream));
  engine.free();
  unsetenv("SDL_AUDIODRIVER");
  unsetenv("SDL_DISKAUDIOFILE");

  std::ifstream in(capture, std::ios::binary);
  std::vector<float> captured;
  for (float sample; in.read(reinterpret_cast<char*>(&sample), sizeof sample);) captured.push_back(sample);
  int heard = 0;
  int whole = 0;
  for (size_t i = 0; i + 1 < captured.size(); i += 2) {
    if (captured[i] == 0.0f && captured[i + 1] == 0.0f) continue;
    // Pan 0.5 halves the left side and keeps the right; the start fades in.
    const float gain = captured[i] / 0.125f;
    ASSERT_GT(gain, 0.0f);
    ASSERT_LE(gain, 1.0f + 1e-6f);
    ASSERT_NEAR(captured[i + 1], -0.25f * gain, 1e-6);
    ++heard;
    if (std::abs(gain - 1.0f) < 1e-6f) ++whole;
  }
  EXPECT_EQ(heard, kRate / 4);
  EXPECT_EQ(whole, kRate / 4 - audio::Channel::fadeFrames(kRate) + 1);
}

TEST(OutputRealTimeTest, SilentOutputPlaysStreamsToTheirEnd) {
  Engine::setOutputFactory([](int rate) { return std::make_unique<audio::SilentOutput>(rate); });
  Engine& engine = Engine::instance();
  engine.init(-1, kRate);
  const auto stream = engine.streamCreateFile(fixtures::writeSineWav("short.wav", kRate, 2, 440.0, 0.3));
  engine.play(stream, false);
  ASSERT_TRUE(waitForEnd(stream));
  EXPECT_EQ(engine.getPosition(stream), engine.getLength(stream));
  EXPECT_EQ(engine.getLength(stream), int64_t{13230} * 4);
  engine.free();
  Engine::setOutputFactory(nullptr);
}

}  // namespace
