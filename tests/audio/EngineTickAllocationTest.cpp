// The calls the player makes on every tick must not allocate, and neither may the audio
// thread: this executable counts every allocation made on the test's own thread while those
// calls run and while it renders, as the audio thread would, on the manually clocked output.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <new>

#include "audio/TETrack.h"
#include "audio/output/ManualClockOutput.h"
#include "tests/audio/support/AudioFixtures.h"

namespace {
thread_local bool counting = false;
thread_local int allocations = 0;
}  // namespace

// GCC cannot see that these pair up with the malloc above.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  if (counting) ++allocations;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (counting) ++allocations;
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
// Every form of delete frees, since every form of new above mallocs.
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

namespace {

using audio::Engine;

class EngineTickAllocationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine::setOutputFactory([](int rate) { return std::make_unique<audio::ManualClockOutput>(rate); });
    track_ = std::make_unique<TETrack>();
    track_->OpenFile(fixtures::writeSineWav("tick.wav", 44100, 2, 440.0, 2.0));
    track_->Play();
    for (const auto& kind : kEffectKinds) track_->EnableEffect(kind.kind);
    track_->ConnectEqualizer();
    // The clock's own buffers grow to a period here, outside the count.
    clock().render(kPeriod);
    clock().clearRecorded();
  }
  static constexpr int kPeriod = 2048;
  static audio::ManualClockOutput& clock() {
    return *static_cast<audio::ManualClockOutput*>(Engine::instance().output());
  }
  // One device period, as the audio thread mixes it.
  static void renderPeriod() {
    clock().clearRecorded();
    clock().render(kPeriod);
  }
  void TearDown() override {
    track_.reset();
    Engine::setOutputFactory(nullptr);
  }
  std::unique_ptr<TETrack> track_;
};

TEST_F(EngineTickAllocationTest, TheTickCallsAndTheAudioThreadAllocateNothing) {
  Engine& engine = Engine::instance();
  float spectrum[512];
  float value = 0.0f;
  // The counter itself works: one allocation made on purpose is seen.
  counting = true;
  int* volatile probe = new int(1);
  delete probe;
  counting = false;
  ASSERT_EQ(allocations, 1);
  allocations = 0;
  auto beforeLastPeriod = std::chrono::steady_clock::now();
  counting = true;
  for (int tick = 0; tick < 3; ++tick) {
    track_->GetLengthBytes();
    track_->GetPositionBytes();
    track_->GetLengthTime();
    track_->GetPositionTime();
    track_->SetVolume(7);
    track_->SetBalance(-2);
    track_->SetEq80(3.0f);
    track_->SetEq14000(7.0f);
    track_->SetCompressorGain(5.0f);
    track_->SetReverbMix(-4.0f);
    track_->SetFlanger(5, 5, 5, 5, 2);
    engine.isActive(track_->Stream);
    engine.getFft1024(track_->Stream, spectrum);
    // A pass that runs late reads as of the moment it fell due, here one before the last
    // period was mixed.
    track_->ReadAsOf(beforeLastPeriod);
    track_->GetPositionBytes();
    track_->GetSpectrum(spectrum);
    track_->ReadNow();
    engine.getAttribute(track_->Stream, audio::Attribute::Volume, value);
    // Refused calls are as cheap as accepted ones.
    engine.getLength(999999);
    engine.fxSetParameters(0, audio::Dx8Reverb{});
    beforeLastPeriod = std::chrono::steady_clock::now();
    renderPeriod();
  }
  EXPECT_EQ(allocations, 0) << "in the tick's calls";
  // Every change the audio thread follows: pause, the effects ringing out and coming to rest,
  // resume, a seek, a volume glide, the end of the stream.
  allocations = 0;
  track_->Pause();
  for (int period = 0; period < 400; ++period) renderPeriod();
  track_->Play();
  renderPeriod();
  track_->SeekBytes(44100 * 4);
  track_->SetVolume(2);
  for (int period = 0; period < 400; ++period) renderPeriod();
  counting = false;
  EXPECT_EQ(allocations, 0) << "in the audio thread's mixing";
  EXPECT_EQ(engine.isActive(track_->Stream), audio::Activity::Stopped);
  EXPECT_FALSE(engine.audible(track_->Stream));
}

}  // namespace
