// The real-time outputs: SDL through its disk driver, which writes exactly what it is given
// to a file, SDL with no device to open, and the silent output that keeps time without a
// device. All are waited on with generous limits; no duration is asserted.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <thread>
#include <vector>

#include "audio/decode/Decoder.h"
#include "audio/engine/Engine.h"
#include "audio/output/SdlOutput.h"
#include "audio/output/SilentOutput.h"
#include "tests/audio/support/AudioFixtures.h"

namespace {

using audio::Activity;
using audio::Engine;
using Clock = std::chrono::steady_clock;

constexpr int kRate = 44100;

// Waits until `done` holds, or gives up after a long while.
bool waitFor(const std::function<bool()>& done) {
  const auto giveUp = Clock::now() + std::chrono::seconds(20);
  while (!done()) {
    if (Clock::now() > giveUp) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

bool waitForEnd(audio::StreamHandle stream) {
  return waitFor([stream] { return Engine::instance().isActive(stream) == Activity::Stopped; });
}

// A DC level on the left and its negative on the right: easy to find in a capture.
std::string writeLevel(const std::string& name, int16_t level, int frames) {
  std::vector<int16_t> samples;
  for (int i = 0; i < frames; ++i) {
    samples.push_back(level);
    samples.push_back(static_cast<int16_t>(-level));
  }
  return fixtures::writeWav(name, kRate, 2, samples);
}

// The stereo frames of a disk driver's capture.
std::vector<float> readCapture(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<float> captured;
  for (float sample; in.read(reinterpret_cast<char*>(&sample), sizeof sample);) captured.push_back(sample);
  return captured;
}

// The frames of a capture that are not silent.
std::vector<float> heardFrames(const std::string& capture) {
  std::vector<float> heard;
  const std::vector<float> captured = readCapture(capture);
  for (size_t i = 0; i + 1 < captured.size(); i += 2) {
    if (captured[i] == 0.0f && captured[i + 1] == 0.0f) continue;
    heard.push_back(captured[i]);
    heard.push_back(captured[i + 1]);
  }
  return heard;
}

// Plays a DC level to its end, with the pan at 0.5 (the left side halved), and expects the
// capture to hold it, whole from the first sample to the last: a file's start is not faded.
void expectCaptured(const std::string& capture, int16_t level) {
  Engine& engine = Engine::instance();
  constexpr int kFrames = kRate / 4;
  const auto stream = engine.streamCreateFile(writeLevel("level" + std::to_string(level) + ".wav", level, kFrames));
  engine.setAttribute(stream, audio::Attribute::Pan, 0.5f);
  engine.play(stream, false);
  ASSERT_TRUE(waitForEnd(stream));
  EXPECT_EQ(engine.getPosition(stream), engine.getLength(stream));
  engine.streamFree(stream);
  // The driver writes a period once it has been mixed.
  ASSERT_TRUE(waitFor([&] { return heardFrames(capture).size() >= 2 * kFrames; }));
  const std::vector<float> heard = heardFrames(capture);
  ASSERT_EQ(heard.size(), 2 * kFrames);
  for (size_t i = 0; i < heard.size(); i += 2) {
    ASSERT_EQ(heard[i], 0.5f * level / 32768.0f) << "frame " << i / 2;
    ASSERT_EQ(heard[i + 1], -level / 32768.0f) << "frame " << i / 2;
  }
}

class SdlDiskDriver : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", capture_.c_str(), 1);
    // A device writing to a file stays open unless asked otherwise: here it rests like any.
    Engine::setOutputFactory([](int rate) { return audio::SdlOutput::open(rate, audio::SdlOutput::FileDevice::RestsToo); });
  }
  void TearDown() override {
    Engine::instance().free();
    Engine::setOutputFactory(nullptr);
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");
  }
  static audio::SdlOutput& output() {
    auto* sdl = dynamic_cast<audio::SdlOutput*>(Engine::instance().output());
    EXPECT_NE(sdl, nullptr) << "the engine plays through another output";
    return *sdl;
  }

  const std::string capture_ = fixtures::tempDir() + "/capture.raw";
};

// The device closes once nothing has played for a while and opens again for the next
// stream, which the reopened device (starting its file anew) captures whole.
TEST_F(SdlDiskDriver, CapturesWhatIsPlayedAndClosesAndReopensAroundARest) {
  ASSERT_TRUE(Engine::instance().init(-1, kRate)) << "SDL's disk driver did not open";
  expectCaptured(capture_, 8192);
  ASSERT_TRUE(waitFor([] { return !output().hasDevice(); })) << "the device never closed";
  expectCaptured(capture_, 4096);
  EXPECT_TRUE(output().hasDevice());
}

// No device can be opened at first (as when the sound server is not up yet): the output
// keeps trying, and plays through the device as soon as one opens.
TEST_F(SdlDiskDriver, PlaysThroughADeviceThatAppearsAfterTheStart) {
  const std::string folder = fixtures::tempDir() + "/later";
  std::filesystem::remove_all(folder);
  const std::string capture = folder + "/capture.raw";
  setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
  Engine::instance().init(-1, kRate);
  ASSERT_NE(dynamic_cast<audio::SdlOutput*>(Engine::instance().output()), nullptr);
  EXPECT_FALSE(output().hasDevice());
  std::filesystem::create_directory(folder);
  ASSERT_TRUE(waitFor([] { return output().hasDevice(); })) << "no device was opened";
  expectCaptured(capture, 8192);
}

// A device that appears while a stream plays, in silence until then, comes in part-way
// through the sound: it fades in rather than starting with a step.
TEST_F(SdlDiskDriver, ADeviceThatAppearsWhileAStreamPlaysFadesItIn) {
  const std::string folder = fixtures::tempDir() + "/later";
  std::filesystem::remove_all(folder);
  const std::string capture = folder + "/capture.raw";
  setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
  Engine& engine = Engine::instance();
  engine.init(-1, kRate);
  ASSERT_FALSE(output().hasDevice());
  const auto stream = engine.streamCreateFile(writeLevel("long.wav", 8192, 20 * kRate));
  engine.play(stream, false);
  ASSERT_TRUE(waitFor([&] { return engine.getPosition(stream) > 0; }));
  std::filesystem::create_directory(folder);
  ASSERT_TRUE(waitFor([] { return output().hasDevice(); })) << "no device was opened";
  const int fade = static_cast<int>(0.005 * kRate);
  ASSERT_TRUE(waitFor([&] { return heardFrames(capture).size() > 2u * fade; }));
  const std::vector<float> heard = heardFrames(capture);
  const float full = 8192 / 32768.0f;
  EXPECT_LT(heard[0], 0.01f * full);
  for (int i = 1; i < fade; ++i) ASSERT_GT(heard[2 * i], heard[2 * i - 2]) << "frame " << i;
  EXPECT_EQ(heard[2 * fade], full);
}

// What the output's watch thread waits for in the kernel, or "" while it runs.
std::string outputThreadWaitsFor() {
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream comm(task.path() / "comm");
    std::string name;
    std::getline(comm, name);
    if (name != "tembr output") continue;
    std::ifstream wchan(task.path() / "wchan");
    std::string waits;
    std::getline(wchan, waits);
    return waits;
  }
  return {};
}

// The device opens on the watch thread, and a call to play made meanwhile does not wait for
// it: a named pipe without a reader holds the disk driver's open for as long as the test likes.
TEST_F(SdlDiskDriver, PlayDoesNotWaitWhileTheDeviceOpens) {
  Engine& engine = Engine::instance();
  engine.init(-1, kRate);
  ASSERT_TRUE(waitFor([] { return !output().hasDevice(); })) << "the device never closed";
  const std::string pipe = fixtures::tempDir() + "/pipe.raw";
  ::unlink(pipe.c_str());
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  setenv("SDL_DISKAUDIOFILE", pipe.c_str(), 1);
  const auto stream = engine.streamCreateFile(writeLevel("opening.wav", 1000, kRate));
  ASSERT_TRUE(engine.streamAwaitOpen(stream));
  engine.play(stream, false);
  ASSERT_TRUE(waitFor([] { return outputThreadWaitsFor() == "wait_for_partner"; })) << "the device did not open";
  auto played = std::async(std::launch::async, [&engine, stream] { return engine.play(stream, false); });
  EXPECT_EQ(played.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "play waited for the device";
  // A reader lets the open finish; it drains the pipe until the device closes.
  std::thread reader([&pipe] {
    std::ifstream in(pipe, std::ios::binary);
    for (char buffer[4096]; in.read(buffer, sizeof buffer) || in.gcount() > 0;) {
    }
  });
  EXPECT_TRUE(played.get());
  ASSERT_TRUE(waitFor([] { return output().hasDevice(); }));
  engine.free();
  reader.join();
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

// --- Rest ---------------------------------------------------------------------------------

// How often each of the engine's threads, and SDL's, has been switched out: one that waits
// without a time limit is not.
std::map<std::string, long long> threadSwitches() {
  std::map<std::string, long long> switches;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream comm(task.path() / "comm");
    std::string name;
    std::getline(comm, name);
    if (name.rfind("tembr", 0) != 0 && name.rfind("SDL", 0) != 0) continue;
    std::ifstream status(task.path() / "status");
    long long count = 0;
    for (std::string line; std::getline(status, line);) {
      if (line.find("ctxt_switches:") != std::string::npos) count += std::stoll(line.substr(line.find(':') + 1));
    }
    switches[task.path().filename().string() + " " + name] = count;
  }
  return switches;
}

// Waits until a whole second passes in which none of those threads wakes.
bool waitForRest() {
  return waitFor([] {
    const auto before = threadSwitches();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    return threadSwitches() == before;
  });
}

// What comes to rest: a stream that played to its end, one whose file hangs while it opens,
// or one paused with the next one queued behind it.
enum class Rest { AtTheEnd, WhileOpening, PausedWithOneQueued };

struct RestCase {
  const char* name;
  const char* driver;  // SDL_AUDIODRIVER, or nullptr for the silent output
  Rest rest;
};

const RestCase kRestCases[] = {
    {"SdlAtTheEnd", "dummy", Rest::AtTheEnd},
    {"SdlWithoutADeviceAtTheEnd", "none", Rest::AtTheEnd},
    {"SilentAtTheEnd", nullptr, Rest::AtTheEnd},
    {"SdlWhileAFileHangsOpening", "dummy", Rest::WhileOpening},
    {"SdlPausedWithAStreamQueued", "dummy", Rest::PausedWithOneQueued},
};

class OutputRest : public ::testing::TestWithParam<RestCase> {
 protected:
  void TearDown() override {
    Engine::instance().free();
    Engine::setOutputFactory(nullptr);
    Engine::setDecoderOpener(nullptr);
    unsetenv("SDL_AUDIODRIVER");
  }
};

// Once nothing can be heard, and nothing can be until the next call, no thread of the
// engine's wakes: the device is closed (or the silent output stopped), the decoding thread
// waits to be called. A play wakes them all again.
TEST_P(OutputRest, OnceNothingCanBeHeardNoThreadWakes) {
  const RestCase& c = GetParam();
  if (c.driver != nullptr) {
    setenv("SDL_AUDIODRIVER", c.driver, 1);
  } else {
    Engine::setOutputFactory([](int rate) { return std::make_unique<audio::SilentOutput>(rate); });
  }
  std::promise<void> answer;
  if (c.rest == Rest::WhileOpening) {
    Engine::setDecoderOpener([answered = answer.get_future().share()](const std::string& path) {
      answered.wait();
      return audio::openDecoder(path);
    });
  }
  Engine& engine = Engine::instance();
  engine.init(-1, kRate);
  const auto stream = engine.streamCreateFile(fixtures::writeSineWav("rest.wav", kRate, 2, 440.0, 0.3));
  engine.play(stream, false);
  if (c.rest == Rest::AtTheEnd) {
    ASSERT_TRUE(waitForEnd(stream));
  }
  if (c.rest == Rest::PausedWithOneQueued) {
    ASSERT_TRUE(engine.streamAwaitOpen(engine.streamCreateFileAfter(stream, fixtures::writeSineWav("queued.wav", kRate, 2, 440.0, 0.3))));
    engine.pause(stream);
  }
  EXPECT_TRUE(waitForRest()) << "a thread still wakes";
  if (c.rest == Rest::WhileOpening) {
    answer.set_value();
    ASSERT_TRUE(waitForEnd(stream)) << "the file opened, and played to its end, after the rest";
  } else {
    engine.play(stream, false);
    const auto before = engine.getPosition(stream);
    ASSERT_TRUE(waitFor([&] { return engine.getPosition(stream) > before; })) << "play did not wake the output";
  }
}

INSTANTIATE_TEST_SUITE_P(Outputs, OutputRest, ::testing::ValuesIn(kRestCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
