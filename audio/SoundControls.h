#pragma once

// What the window's sound controls are set to: the volume, the balance, the effect switches,
// the compressor's gain, the reverb's mix, the flanger's five values, the ten equaliser bands
// and the equaliser's "connect". A plain value that the window keeps up to date as its
// controls change, and from which the track is given its settings. GUI thread only, like the
// track.

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "audio/TETrack.h"

struct SoundControls {
  static constexpr size_t kBandCount = 10;
  static constexpr size_t kFlangerValueCount = 5;

  // Every member starts as the window is designed. The volume: 0..10; the balance: -5 (left)
  // to 5 (right).
  int32_t volume = 5;
  int32_t balance = 0;
  // Whether each effect kind is switched on, indexed by EffectKind. The flanger has two boxes:
  // it is on while the one changed last is ticked.
  std::array<bool, std::size(kEffectKinds)> effects{};
  // Slider positions, 0..10 each; the flanger's are its wet/dry mix, depth, feedback,
  // frequency and delay, in this order.
  int32_t compressorGain = 0;
  int32_t reverbMix = 0;
  std::array<int32_t, kFlangerValueCount> flanger{};
  // The bands from 80 Hz to 14 kHz, in dB: 0..7.
  std::array<int32_t, kBandCount> bands{};
  bool equalizerConnected = false;

  bool operator==(const SoundControls&) const = default;

  bool isOn(EffectKind kind) const { return effects[static_cast<size_t>(kind)]; }
  void setOn(EffectKind kind, bool on) { effects[static_cast<size_t>(kind)] = on; }

  // Puts an instance of `kind` on the track's stream when it is switched on, and takes it off
  // when not.
  void ApplyEffectSwitch(EffectKind kind, TETrack& track) const;
  // For a stream that has just opened or starts to play: echo, compressor, reverb and chorus
  // in this order, then the equaliser. Effects and bands die with their stream, so the
  // equaliser is put back here too while it is connected; the track adds nothing that is on
  // the stream already, so running this again changes nothing. The flanger is left alone.
  void ApplyEffectSwitches(TETrack& track) const;
  // Connected: puts the ten bands on the stream, then sends every value. Else takes them off.
  void ApplyEqualizerSwitch(TETrack& track) const;
  // Sends the flanger's five values.
  void PushFlanger(TETrack& track) const;
  // Sends every value but the volume and the balance: the ten bands, the compressor's gain,
  // the reverb's mix and the flanger's values, in this order. A value for an effect or band
  // that is not on the stream is refused by the track without effect.
  void PushEffectParameters(TETrack& track) const;
};
