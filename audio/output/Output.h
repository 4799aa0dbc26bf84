#pragma once

// The sound device behind the engine. An output pulls interleaved stereo float frames from
// its render source at its own pace: the device callback, a timer thread, or a test asking
// for a number of frames. One implementation per file: SdlOutput, SilentOutput,
// ManualClockOutput; makeDefaultOutput makes the first.

#include <memory>

namespace audio {

// What an output plays. render() is called on the output's own thread (the audio thread):
// it must fill every sample and must not allocate, lock for long or touch files.
class RenderSource {
 public:
  virtual ~RenderSource() = default;
  virtual void render(float* interleavedStereo, int frames) noexcept = 0;
  // Called by outputs that are clocked by a caller rather than by time, before rendering
  // `frames`: waits until the decoded audio for them is available, so that the result does
  // not depend on how fast the decoding thread runs. Never called by real-time outputs.
  virtual void awaitData(int frames) { (void)frames; }
  // Any thread. Whether anything was playing at the last render; an output may rest while
  // nothing plays.
  virtual bool playing() const noexcept { return true; }
};

class Output {
 public:
  static constexpr int kChannels = 2;

  virtual ~Output() = default;

  // Controlling thread. Starts pulling from `source`, which must outlive stop().
  virtual void start(RenderSource* source) = 0;
  // Controlling thread. After it returns, render() is not running and will not be called.
  virtual void stop() = 0;
  virtual int sampleRate() const = 0;
  // The largest block the output asks for in one render() call (0 = any size).
  virtual int periodFrames() const = 0;
  // Whether the output renders only when a caller asks (a test's clock) rather than as time
  // passes.
  virtual bool clockedByCaller() const { return false; }
  // Any thread but the output's own. The source is about to play: an output that rests while
  // nothing plays gets going again. Never waits for the device.
  virtual void wake() {}
};

// Opens SDL2's audio device at `sampleRate` (SDL's environment variables choose the driver).
// When no device can be opened the output plays in silence at the real-time pace and keeps
// trying until one opens; `silent` says whether it starts so.
std::unique_ptr<Output> makeDefaultOutput(int sampleRate, bool& silent);

}  // namespace audio
