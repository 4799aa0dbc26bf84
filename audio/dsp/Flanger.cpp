#include "audio/dsp/Flanger.h"

namespace audio::dsp {
namespace {

ModulatedDelay::Settings settingsOf(const Dx8Flanger& p) noexcept {
  ModulatedDelay::Settings s;
  s.wet = p.fWetDryMix / 100.0;
  s.depth = p.fDepth / 100.0;
  s.feedback = p.fFeedback / 100.0;
  s.frequency = p.fFrequency;
  s.waveform = p.lWaveform == 1 ? ModulatedDelay::Waveform::Sine : ModulatedDelay::Waveform::Triangle;
  s.delayMs = p.fDelay;
  // lPhase counts quarter turns from -180 degrees: 2 means both sides in step.
  s.phaseOffset = (p.lPhase - 2) * 0.25;
  return s;
}

}  // namespace

bool Flanger::accepts(const Dx8Flanger& p) const noexcept {
  return inRange(p.fWetDryMix, 0.0f, 100.0f) && inRange(p.fDepth, 0.0f, 100.0f) &&
         inRange(p.fFeedback, -99.0f, 99.0f) && inRange(p.fFrequency, 0.0f, 10.0f) &&
         (p.lWaveform == 0 || p.lWaveform == 1) && inRange(p.fDelay, 0.0f, static_cast<float>(kMaxDelayMs)) &&
         p.lPhase >= 0 && p.lPhase <= 4;
}

void Flanger::prepare(int sampleRate, int channels, int /*maxFrames*/) {
  core_.prepare(sampleRate, channels, kMaxDelayMs, settingsOf(currentRecord()));
}

void Flanger::process(float* interleaved, int frames) noexcept {
  DenormalGuard denormals;
  Dx8Flanger p;
  if (pollParameters(p)) core_.set(settingsOf(p), true);
  core_.process(interleaved, frames);
}

void Flanger::reset() noexcept { core_.reset(); }

}  // namespace audio::dsp
