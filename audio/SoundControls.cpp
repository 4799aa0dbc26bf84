#include "audio/SoundControls.h"

namespace {

// The kinds that every new stream gets again, in the order they are applied.
constexpr EffectKind kKindsForEveryStream[] = {EffectKind::Echo, EffectKind::Compressor, EffectKind::Reverb,
                                               EffectKind::Chorus};

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
  track.SetEq80(asGain(bands[0]));
  track.SetEq170(asGain(bands[1]));
  track.SetEq310(asGain(bands[2]));
  track.SetEq600(asGain(bands[3]));
  track.SetEq1000(asGain(bands[4]));
  track.SetEq3000(asGain(bands[5]));
  track.SetEq6000(asGain(bands[6]));
  track.SetEq10000(asGain(bands[7]));
  track.SetEq12000(asGain(bands[8]));
  track.SetEq14000(asGain(bands[9]));
  track.SetCompressorGain(asGain(compressorGain));
  track.SetReverbMix(asGain(reverbMix));
  PushFlanger(track);
}
