#pragma once

// The player's single audio track: it owns the engine's output and at most one open stream,
// and carries the working records of the effects and the ten-band equaliser. GUI thread only.

#include <chrono>
#include <cstdint>
#include <string>

#include "audio/dsp/EffectParams.h"
#include "audio/engine/Engine.h"

enum class PlayState : uint8_t { Stopped = 0, Playing = 1, Paused = 2 };

// The track's clock times. The count is the fraction of a day that the "hh:mm:ss" read-outs
// format; as a std::chrono duration it converts to seconds or microseconds by itself, so that
// a fraction of a day is never read as seconds.
using DayFraction = std::chrono::duration<double, std::ratio<86400>>;

// The seven effect slots as the window numbers them. Values above 6 name no slot.
enum class EffectKind : uint8_t {
  Chorus = 0,
  Compressor = 1,
  Distortion = 2,
  Flanger = 3,
  Gargle = 4,
  Reverb = 5,
  Echo = 6,
};

class TETrack {
 public:
  TETrack();
  virtual ~TETrack();
  TETrack(const TETrack&) = delete;
  TETrack& operator=(const TETrack&) = delete;

  void OpenFile(const std::string& path);
  void Play();
  void Pause();
  void Stop();
  int32_t GetLengthBytes();
  int32_t GetPositionBytes();
  DayFraction GetLengthTime();
  DayFraction GetPositionTime();
  void SeekBytes(int32_t position);
  // Moves to a time from the start that lies before the end, as SeekBytes does to a byte.
  void SeekTime(std::chrono::duration<double> position);
  void SetVolume(int32_t value);
  void SetBalance(int32_t value);

  void EnableEffect(EffectKind kind);
  void DisableEffect(EffectKind kind);
  void SetCompressorGain(float gain);
  void SetReverbMix(float mix);
  void SetFlanger(float wetDryMix, float depth, float feedback, float frequency, float delay);

  void ConnectEqualizer();
  void DisconnectEqualizer();
  void SetEq80(float gain);
  void SetEq170(float gain);
  void SetEq310(float gain);
  void SetEq600(float gain);
  void SetEq1000(float gain);
  void SetEq3000(float gain);
  void SetEq6000(float gain);
  void SetEq10000(float gain);
  void SetEq12000(float gain);
  void SetEq14000(float gain);

  // Fields in declaration order; `Stream` is read directly by the window.
  PlayState State = PlayState::Stopped;
  audio::Dx8Compressor CompressorParams{};
  audio::Dx8Flanger FlangerParams{};
  audio::Dx8Reverb ReverbParams{};
  int32_t LastVolume = 0;
  int32_t LastBalance = 0;
  std::chrono::duration<double> LengthSeconds{};
  std::chrono::duration<double> PositionSeconds{};
  audio::Dx8ParamEq EqParams{};
  audio::FxHandle EqBands[10] = {};
  // Slots in effect-type order: chorus, compressor, distortion, echo, flanger, gargle, reverb.
  audio::FxHandle EffectHandles[7] = {};
  std::string FileName;
  audio::StreamHandle Stream = 0;
  float BandGains[10] = {};
  // Whether OpenFile has ever been called. A track without a stream that never tried to open
  // one has not finished anything: its list was filled after the start.
  bool OpenAttempted = false;

 private:
  // The stream that each effect slot's instance, and the ten bands, were put on; 0 once they
  // were taken off. Stream handles are never reused, so a match means the instance is on the
  // current stream, and switching an effect on again adds nothing.
  audio::StreamHandle effectStreams_[7] = {};
  audio::StreamHandle equalizerStream_ = 0;
};
