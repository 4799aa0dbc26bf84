#include "audio/SoundControls.h"

namespace {

// The kinds that every new stream gets again, in the order they are applied.
constexpr EffectKind kKindsForEveryStream[] = {EffectKind::Echo, EffectKind::Compressor, EffectKind::Reverb,
                                               EffectKind::Chorus};

// The band setters from 80 Hz to 14 kHz.
using BandSetter = void (TETrack::*)(float);
constexpr BandSetter kBandSetters[SoundControls::kBandCount] = {
    &TETrack::SetEq80,   &TETrack::SetEq170,  &TETrack::SetEq310,   &TETrack::SetEq600,   &TETrack::SetEq1000,
    &TETrack::SetEq3000, &TETrack::SetEq6000, &TETrack::SetEq10000, &TETrack::SetEq12000, &TETrack::SetEq14000,
};

float asGain(int32_t position) { return static_cast<float>(position); }

}  // namespace

void SoundControls::ApplyEffectSwitch(EffectKind kind, TETrack& track) const {
  if (isOn(kind)) {
    track.EnableEffect(kind);
  } else {
    track.DisableEffect(kind);
  }
}

void SoundControls::ApplyEffectSwitches(TETrack& track) const {
  for (EffectKind kind : kKindsForEveryStream) ApplyEffectSwitch(kind, track);
  ApplyEqualizerSwitch(track);
}

void SoundControls::ApplyEqualizerSwitch(TETrack& track) const {
  if (equalizerConnected) {
    track.ConnectEqualizer();
    PushEffectParameters(track);
  } else {
    track.DisconnectEqualizer();
  }
}

void SoundControls::PushFlanger(TETrack& track) const {
  track.SetFlanger(asGain(flanger[0]), asGain(flanger[1]), asGain(flanger[2]), asGain(flanger[3]), asGain(flanger[4]));
}

void SoundControls::PushEffectParameters(TETrack& track) const {
  for (size_t band = 0; band < kBandCount; ++band) (track.*kBandSetters[band])(asGain(bands[band]));
  track.SetCompressorGain(asGain(compressorGain));
  track.SetReverbMix(asGain(reverbMix));
  PushFlanger(track);
}
