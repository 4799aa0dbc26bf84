// A file that never answers, as on a network mount that stopped responding, at each place the
// engine touches a file: its open, a read on the decoding thread, a seek that opens it afresh,
// its close. Whatever that file does, another file still opens, and the process ends once the
// track is let go, or once main returns without letting it go. Each case runs in a process of
// its own, which the file call holds for good: a watchdog alarm turns a process that never
// ends into a failure rather than a test that never ends.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <future>
#include <memory>
#include <mutex>
#include <string>

#include "audio/TETrack.h"
#include "audio/output/ManualClockOutput.h"
#include "tests/audio/support/AudioFixtures.h"
#include "tests/audio/support/ForwardingDecoder.h"

namespace {

using audio::Engine;

enum class HangsIn { Open, Read, SeekFromTheStart, Close };
enum class Ending { TrackLetGo, MainReturnsWithTheTrack };

struct Case {
  const char* name;
  HangsIn where;
  Ending ending;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// Far beyond what opening, playing and letting go of two short files takes, even under a
// sanitizer: only a process that would never end meets it.
constexpr unsigned kWatchdogSeconds = 60;
constexpr int kOtherFileDidNotOpen = 3;

// Says that the call that never answers has been reached, and makes it: a call that blocks in
// the kernel for good, as one on a mount that stopped answering does, opening a FIFO for
// reading that nothing ever opens for writing. Whatever the call needs is made before the
// test hears of it, so that the test's ending (and its statics' destruction) comes after.
std::promise<void> reached;
void stall() {
  static std::atomic<int> count{0};
  const std::string fifo = fixtures::tempDir() + "/never-answers-" + std::to_string(++count);
  ::mkfifo(fifo.c_str(), 0600);
  static std::once_flag once;
  std::call_once(once, [] { reached.set_value(); });
  ::open(fifo.c_str(), O_RDONLY);
}

// Stalls at `where`.
class StallingDecoder : public fixtures::ForwardingDecoder {
 public:
  StallingDecoder(std::unique_ptr<audio::Decoder> inner, HangsIn where)
      : ForwardingDecoder(std::move(inner)), where_(where) {}
  ~StallingDecoder() override { stallAt(HangsIn::Close); }
  int read(float* out, int maxFrames) override {
    stallAt(HangsIn::Read);
    return ForwardingDecoder::read(out, maxFrames);
  }
  bool seek(int64_t frame) override {
    if (seekReopens(frame)) stallAt(HangsIn::SeekFromTheStart);
    return ForwardingDecoder::seek(frame);
  }

 private:
  void stallAt(HangsIn where) {
    if (where == where_) stall();
  }
  HangsIn where_;
};

// The case, in the process of its own; ends it with the status it finds.
[[noreturn]] void runInAProcessOfItsOwn(const Case& c) {
  ::alarm(kWatchdogSeconds);
  const std::string hung = fixtures::writeSineWav("hung.wav", 44100, 2, 440.0, 2.0);
  const std::string other = fixtures::writeSineWav("other.wav", 44100, 2, 660.0, 1.0);
  Engine::setOutputFactory([](int rate) { return std::make_unique<audio::ManualClockOutput>(rate); });
  Engine::setDecoderOpener([where = c.where, hung](const std::string& path) -> std::unique_ptr<audio::Decoder> {
    if (path != hung) return audio::openDecoder(path);
    if (where == HangsIn::Open) stall();
    return std::make_unique<StallingDecoder>(audio::openDecoder(path), where);
  });
  auto track = std::make_unique<TETrack>();
  Engine& engine = Engine::instance();
  track->OpenFile(hung);
  track->Play();
  if (c.where != HangsIn::Open) engine.streamAwaitOpen(track->Stream);
  // A seek into the first quarter second opens the file afresh.
  if (c.where == HangsIn::SeekFromTheStart) track->SeekBytes(4 * 100);
  if (c.where == HangsIn::Close) {
    // The file that replaces it takes over once open, and the hung one is let go.
    track->OpenFile(other);
    engine.streamAwaitOpen(track->OpeningStream());
    track->GetActivity();
  }
  reached.get_future().wait();
  // The file that never answers holds up no other.
  if (!engine.streamAwaitOpen(engine.streamCreateFile(other))) std::exit(kOtherFileDidNotOpen);
  if (c.ending == Ending::TrackLetGo) {
    track.reset();
  } else {
    // What main's return finds: the engine's own release at the process's end. The track
    // stays where a leak checker sees it.
    [[maybe_unused]] static TETrack* volatile neverLetGo = nullptr;
    neverLetGo = track.release();
  }
  std::exit(EXIT_SUCCESS);
}

class HungFileTest : public ::testing::TestWithParam<Case> {};

TEST_P(HungFileTest, AnotherFileOpensAndTheProcessEnds) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(runInAProcessOfItsOwn(GetParam()), ::testing::ExitedWithCode(EXIT_SUCCESS), "");
}

INSTANTIATE_TEST_SUITE_P(
    Places, HungFileTest,
    ::testing::Values(Case{"OpenThenTrackLetGo", HangsIn::Open, Ending::TrackLetGo},
                      Case{"OpenThenMainReturns", HangsIn::Open, Ending::MainReturnsWithTheTrack},
                      Case{"ReadThenTrackLetGo", HangsIn::Read, Ending::TrackLetGo},
                      Case{"ReadThenMainReturns", HangsIn::Read, Ending::MainReturnsWithTheTrack},
                      Case{"SeekFromTheStartThenTrackLetGo", HangsIn::SeekFromTheStart, Ending::TrackLetGo},
                      Case{"SeekFromTheStartThenMainReturns", HangsIn::SeekFromTheStart,
                           Ending::MainReturnsWithTheTrack},
                      Case{"CloseThenTrackLetGo", HangsIn::Close, Ending::TrackLetGo},
                      Case{"CloseThenMainReturns", HangsIn::Close, Ending::MainReturnsWithTheTrack}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
