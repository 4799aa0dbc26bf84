#pragma once

// The player's single audio track: it owns the engine's output and at most one open stream,
// and carries the working records of the effects and the ten-band equaliser. GUI thread only;
// no call waits on the disk, and none touches the file system: a file opens in the
// background, and the engine finds out there whether it plays.
//
// While a file opens, the stream that plays goes on: the new stream waits beside it and
// replaces it once its file is open, or is dropped, changing nothing, if the file cannot be
// opened (missing, a folder, not audio). Each call settles this first, from what the engine
// knows by then, so the tick's calls carry it through without waiting. With no stream to
// keep (none, or one whose file is still opening, of which nothing has been heard), the new
// stream is the current one at once.
//
// When the window knows which entry plays next, it can prepare it near the end of the current
// one: the next file is opened and queued behind the current stream, and plays on from its
// last sample without a gap. The window then adopts it instead of stopping and opening.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "audio/dsp/EffectParams.h"
#include "audio/engine/Engine.h"

enum class PlayState : uint8_t { Stopped = 0, Playing = 1, Paused = 2 };

// How far the file that OpenFile was last given has come: still opening, open and the
// track's current stream, or not to be opened (the track went on with what it had).
enum class OpenProgress : uint8_t { Opening, Open, Failed };

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

// What each kind is to the engine, and where the track keeps the handle of its newest
// instance: the slots of EffectHandles lie in effect-type order, not in kind order.
struct EffectKindInfo {
  EffectKind kind;
  audio::FxType type;
  int slot;
};

// The one table of the seven kinds, indexed by EffectKind.
inline constexpr EffectKindInfo kEffectKinds[7] = {
    {EffectKind::Chorus, audio::FxType::Chorus, 0},     {EffectKind::Compressor, audio::FxType::Compressor, 1},
    {EffectKind::Distortion, audio::FxType::Distortion, 2}, {EffectKind::Flanger, audio::FxType::Flanger, 4},
    {EffectKind::Gargle, audio::FxType::Gargle, 5},     {EffectKind::Reverb, audio::FxType::Reverb, 6},
    {EffectKind::Echo, audio::FxType::Echo, 3},
};

class TETrack {
 public:
  TETrack();
  virtual ~TETrack();
  TETrack(const TETrack&) = delete;
  TETrack& operator=(const TETrack&) = delete;

  // Silences all output at once, waiting for nothing: the shutdown's first step, before the
  // destructor, which waits for the engine's threads.
  void Silence();

  // Makes a stream of the file, at the volume and balance last set, to replace the current
  // one once the file is open (see above).
  void OpenFile(const std::string& path);
  OpenProgress LastOpenProgress();
  // The stream of the last OpenFile while its file opens, 0 otherwise: for callers that can
  // wait for it (tests).
  audio::StreamHandle OpeningStream() const;
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

  // For the window's tick, which reaches the engine through the track alone: the stream's
  // activity, its whole length and position in bytes (-1 for no stream; the 32-bit getters
  // above give their low bits), a seek to any byte before the end, and the spectrum of what
  // was heard last (false, leaving `out` alone, without a stream).
  audio::Activity GetActivity();
  int64_t GetFullLengthBytes();
  int64_t GetFullPositionBytes();
  void SeekFullBytes(int64_t position);
  bool GetSpectrum(float* out);
  // The tick runs the passes that fell due while it slept one after another, each as of the
  // moment it fell due: until ReadNow, the position and the spectrum read as they were at
  // `moment`, where the engine can still tell (see audio::Engine::getPosition), and as they
  // are now otherwise.
  void ReadAsOf(std::chrono::steady_clock::time_point moment) { readingMoment_ = moment; }
  void ReadNow() { readingMoment_.reset(); }
  // The tags of the open file (see audio::Engine::streamTags); false while it opens or
  // without a stream.
  bool GetTags(audio::StreamTags& tags);

  void EnableEffect(EffectKind kind);
  void DisableEffect(EffectKind kind);
  void SetCompressorGain(float gain);
  void SetReverbMix(float mix);
  void SetFlanger(float wetDryMix, float depth, float feedback, float frequency, float delay);

  // Opens `path` in the background and queues it to play right after the current stream's
  // natural end, through the same effects. Replaces a stream prepared for another path.
  void PrepareNext(const std::string& path);
  // Whether the current stream is playing and close enough to its end that the stream to
  // follow it should be prepared now, and none is (nor is a file opening to replace it).
  bool WantsNext();
  void DropPrepared();
  // Whether a stream is prepared for `path`, or for any path.
  bool IsPrepared(const std::string& path) const;
  bool HasPrepared() const;
  // Whether the current stream has played to its end with a prepared stream behind it, which
  // the output then plays (or is about to) in its place: what is heard is the prepared one.
  bool PlayingPrepared();
  // When the stream prepared is for `path` and its file did not fail: makes it the current
  // stream, as Stop and OpenFile(path) would, except that it has been playing since the
  // previous stream ended. State stays as it was, so that a following Play leaves it alone:
  // it plays on, or, if it was so short that it has played to its end already, it counts as
  // finished rather than starting again. Returns false, changing nothing, otherwise.
  bool AdoptPrepared(const std::string& path);

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
  // Lets the stream of an open that has come through replace the current one, and lets go of
  // one whose file turned out not to play.
  void settle();
  // Whether the stream's file is open, so that its length and rate are known.
  bool streamOpen() const;
  // Sets a stream's volume and pan from LastVolume and LastBalance, each once it has been
  // given: until then a stream keeps the engine's own full volume and centre.
  void applyLevels(audio::StreamHandle stream);
  // The stream's position in bytes, as of the reading moment when one is set.
  int64_t readPosition() const;

  // The stream that each effect slot's instance, and the ten bands, were put on; 0 once they
  // were taken off. Stream handles are never reused, so a match means the instance is on the
  // current stream, and switching an effect on again adds nothing.
  audio::StreamHandle effectStreams_[7] = {};
  audio::StreamHandle equalizerStream_ = 0;
  audio::StreamHandle prepared_ = 0;
  std::string preparedPath_;
  // The stream of the last OpenFile while its file opens beside the current one, and the
  // file name that comes with it.
  audio::StreamHandle opening_ = 0;
  std::string openingName_;
  // The stream that the last OpenFile made, whichever became of it.
  audio::StreamHandle requested_ = 0;
  bool volumeGiven_ = false;
  bool balanceGiven_ = false;
  std::optional<std::chrono::steady_clock::time_point> readingMoment_;
};
