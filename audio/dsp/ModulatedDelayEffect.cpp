#include "audio/dsp/ModulatedDelayEffect.h"

namespace audio::dsp {
namespace {

// Both records have the same fields in the same order.
template <class Record>
ModulatedDelay::Settings settingsOf(const Record& p) noexcept {
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

template <class Record, FxType kType>
bool ModulatedDelayEffect<Record, kType>::accepts(const Record& p) const noexcept {
  return inRange(p.fWetDryMix, 0.0f, 100.0f) && inRange(p.fDepth, 0.0f, 100.0f) &&
         inRange(p.fFeedback, -99.0f, 99.0f) && inRange(p.fFrequency, 0.0f, 10.0f) &&
         (p.lWaveform == 0 || p.lWaveform == 1) &&
         inRange(p.fDelay, 0.0f, static_cast<float>(kMaxBaseDelayMs<Record>)) && p.lPhase >= 0 && p.lPhase <= 4;
}

template <class Record, FxType kType>
void ModulatedDelayEffect<Record, kType>::prepare(int sampleRate, int channels, int /*maxFrames*/) {
  core_.prepare(sampleRate, channels, kMaxBaseDelayMs<Record>, settingsOf(this->currentRecord()));
}

template <class Record, FxType kType>
void ModulatedDelayEffect<Record, kType>::process(float* interleaved, int frames) noexcept {
  DenormalGuard denormals;
  Record p;
  if (const Change change = this->pollParameters(p); change != Change::None) core_.set(settingsOf(p), change == Change::Glide);
  core_.process(interleaved, frames);
}

template <class Record, FxType kType>
void ModulatedDelayEffect<Record, kType>::reset() noexcept {
  core_.reset();
}

template class ModulatedDelayEffect<Dx8Chorus, FxType::Chorus>;
template class ModulatedDelayEffect<Dx8Flanger, FxType::Flanger>;

}  // namespace audio::dsp
