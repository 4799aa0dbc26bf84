#pragma once

// A test fixture that runs the engine on the manually clocked output: nothing plays until
// the test renders frames, so every result is the same on every run.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "audio/engine/Channel.h"
#include "audio/engine/Engine.h"
#include "audio/output/ManualClockOutput.h"

namespace fixtures {

inline constexpr int kRate = 44100;

class EngineHarness : public ::testing::Test {
 protected:
  void SetUp() override {
    audio::Engine::setOutputFactory(
        [](int rate) { return std::make_unique<audio::ManualClockOutput>(rate); });
    ASSERT_TRUE(engine().init(-1, kRate));
  }
  void TearDown() override {
    engine().free();
    audio::Engine::setOutputFactory(nullptr);
  }

 public:
  static audio::Engine& engine() { return audio::Engine::instance(); }
  static audio::ManualClockOutput& clock() {
    return *static_cast<audio::ManualClockOutput*>(engine().output());
  }
  // A stream for `path` whose file has been opened (or failed to open) by the time it is
  // returned.
  static audio::StreamHandle open(const std::string& path) {
    const audio::StreamHandle stream = engine().streamCreateFile(path);
    engine().streamAwaitOpen(stream);
    return stream;
  }
  // Frames that a fade takes at the output rate.
  static int fadeFrames() { return audio::Channel::fadeFrames(kRate); }
  // Renders `frames` frames and returns them interleaved stereo.
  static std::vector<float> render(int frames) { return clock().render(frames); }

  // Renders until the stream turns inactive (or `maxFrames` have passed); returns
  // everything rendered on the way.
  static std::vector<float> renderToEnd(audio::StreamHandle stream, int maxFrames = 10 * kRate) {
    std::vector<float> all;
    constexpr int kPiece = 4096;
    for (int done = 0; done < maxFrames && engine().isActive(stream) != audio::Activity::Stopped;
         done += kPiece) {
      const auto& piece = render(kPiece);
      all.insert(all.end(), piece.begin(), piece.end());
    }
    return all;
  }

  // Left (channel 0) or right (channel 1) samples of interleaved stereo.
  static std::vector<float> channel(const std::vector<float>& stereo, int which) {
    std::vector<float> result(stereo.size() / 2);
    for (size_t i = 0; i < result.size(); ++i) result[i] = stereo[2 * i + which];
    return result;
  }
};

}  // namespace fixtures
