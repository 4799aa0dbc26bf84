#pragma once

// The sound of the chorus and the flanger (ModulatedDelayEffect): per channel, a delay line
// read at a time that an LFO sweeps around a base delay, with feedback and a wet/dry mix. The
// right channel's LFO runs at a fixed phase offset from the left's.

#include "audio/dsp/DelayLine.h"
#include "audio/dsp/DspCommon.h"

namespace audio::dsp {

class ModulatedDelay {
 public:
  enum class Waveform { Triangle, Sine };

  struct Settings {
    double wet = 0.5;        // 0..1
    double depth = 0.1;      // 0..1: the delay swings by this share of the base delay
    double feedback = 0.25;  // -0.99..0.99
    double frequency = 1.0;  // Hz
    Waveform waveform = Waveform::Sine;
    double delayMs = 16.0;
    double phaseOffset = 0.25;  // right LFO ahead of the left, in cycles
  };

  // Off the audio thread. `maxDelayMs` is the largest base delay the settings may ask for.
  void prepare(int sampleRate, int channels, double maxDelayMs, const Settings& settings);
  // Audio thread (or prepare): new settings, reached by gliding when `glide` is set.
  void set(const Settings& settings, bool glide) noexcept;
  void process(float* interleaved, int frames) noexcept;
  void reset() noexcept;

 private:
  double lfo(double cycles) const noexcept;
  double delayAt(double cycles) const noexcept;
  void aimDelays() noexcept;
  // Puts both read positions where the sweep stands now, with no step under way.
  void placeDelays() noexcept;
  bool gliding() const noexcept;
  // Runs `frames` frames that lie within one control interval.
  void processGliding(float* interleaved, int frames) noexcept;
  void processSteady(float* interleaved, int frames) noexcept;

  int sampleRate_ = 44100;
  int channels_ = 2;
  double maxDelaySamples_ = 2.0;
  double phase_ = 0.0;  // cycles, 0..1: the LFO's phase at the point the delays head for
  double increment_ = 0.0;
  // The delays move in straight lines between points the LFO is evaluated at, every
  // kControlInterval samples; between them each sample costs one addition. The LFO's phase
  // steps from one control point to the next.
  static constexpr int kControlInterval = 16;
  int untilControl_ = 0;
  double delay_[2] = {2.0, 2.0};
  double delayStep_[2] = {0.0, 0.0};
  Ramp wet_, feedback_, depth_, baseDelay_, sineness_, phaseOffset_;
  DelayLine lines_[2];
};

}  // namespace audio::dsp
