#include "audio/TETrack.h"

#include <cmath>

namespace {

using audio::Engine;
using audio::FxType;

constexpr int kDefaultDevice = -1;
constexpr int kOutputRate = 44100;
constexpr int kEffectPriority = 0;
constexpr int kEqualizerPriority = 1;
constexpr float kEqBandwidth = 3.0f;
constexpr float kEqCentres[10] = {80, 170, 310, 600, 1000, 3000, 6000, 10000, 12000, 14000};
// The stream to follow is prepared this long before the current one ends: time enough to
// open it from a slow disk and decode its first half second.
constexpr double kPrepareAheadSeconds = 5.0;

static_assert([] {
  for (size_t i = 0; i < std::size(kEffectKinds); ++i) {
    if (static_cast<size_t>(kEffectKinds[i].kind) != i) return false;
  }
  return true;
}(), "kEffectKinds is indexed by EffectKind");

// The slot of a kind's handle.
constexpr int slotOf(EffectKind kind) { return kEffectKinds[static_cast<size_t>(kind)].slot; }

// A path with a NUL inside would name a different, shorter path to the system: no file has
// such a name.
bool namesNoFile(const std::string& path) { return path.find('\0') != std::string::npos; }

std::string fileNamePart(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Strictly inside (low, high); false for NaN.
bool inside(float value, float low, float high) { return value > low && value < high; }

// One band setter: read, change the gain when it is in range, re-assert centre and
// bandwidth, write back, and remember the gain asked for.
void setBand(TETrack& track, int band, float gain) {
  Engine& engine = Engine::instance();
  engine.fxGetParameters(track.EqBands[band], track.EqParams);
  if (inside(gain, -15.0f, 15.0f)) track.EqParams.fGain = std::trunc(gain);
  track.EqParams.fBandwidth = kEqBandwidth;
  track.EqParams.fCenter = kEqCentres[band];
  engine.fxSetParameters(track.EqBands[band], track.EqParams);
  track.BandGains[band] = gain;
}

}  // namespace

TETrack::TETrack() { Engine::instance().init(kDefaultDevice, kOutputRate); }

TETrack::~TETrack() {
  Engine& engine = Engine::instance();
  engine.stop();
  engine.streamFree(opening_);
  engine.streamFree(prepared_);
  engine.streamFree(Stream);
  engine.free();
}

void TETrack::Silence() { Engine::instance().stop(); }

void TETrack::settle() {
  Engine& engine = Engine::instance();
  if (opening_ != 0) {
    switch (engine.streamStatus(opening_)) {
      case audio::StreamStatus::Opening:
        break;
      case audio::StreamStatus::Open:
        // The current stream fades out as it goes, and anything queued behind it with it.
        DropPrepared();
        engine.streamFree(Stream);
        Stream = opening_;
        FileName = openingName_;
        opening_ = 0;
        break;
      case audio::StreamStatus::Failed:
      case audio::StreamStatus::Unknown:
        engine.streamFree(opening_);
        opening_ = 0;
        break;
    }
    if (opening_ == 0) openingName_.clear();
  }
  if (Stream != 0 && engine.streamStatus(Stream) == audio::StreamStatus::Failed) {
    engine.streamFree(Stream);
    Stream = 0;
  }
}

bool TETrack::streamOpen() const {
  return Engine::instance().streamStatus(Stream) == audio::StreamStatus::Open;
}

void TETrack::applyLevels(audio::StreamHandle stream) {
  Engine& engine = Engine::instance();
  if (volumeGiven_) engine.setAttribute(stream, audio::Attribute::Volume, static_cast<float>(LastVolume) / 10.0f);
  if (balanceGiven_) engine.setAttribute(stream, audio::Attribute::Pan, static_cast<float>(LastBalance) / 5.0f);
}

void TETrack::OpenFile(const std::string& path) {
  OpenAttempted = true;
  settle();
  Engine& engine = Engine::instance();
  DropPrepared();
  engine.streamFree(opening_);
  opening_ = 0;
  openingName_.clear();
  requested_ = 0;
  if (namesNoFile(path)) return;
  const audio::StreamHandle stream = engine.streamCreateFile(path);
  // From its first sample, not from the next tick's.
  applyLevels(stream);
  requested_ = stream;
  // Only a stream whose file is open can be heard: one still opening is not worth keeping.
  if (Stream != 0 && streamOpen()) {
    opening_ = stream;
    openingName_ = fileNamePart(path);
    return;
  }
  engine.streamFree(Stream);
  Stream = stream;
  FileName = fileNamePart(path);
}

OpenProgress TETrack::LastOpenProgress() {
  settle();
  if (requested_ != 0 && requested_ == opening_) return OpenProgress::Opening;
  if (requested_ != 0 && requested_ == Stream) return streamOpen() ? OpenProgress::Open : OpenProgress::Opening;
  return OpenProgress::Failed;
}

audio::StreamHandle TETrack::OpeningStream() const {
  const bool opening = Engine::instance().streamStatus(requested_) == audio::StreamStatus::Opening;
  return opening ? requested_ : 0;
}

void TETrack::PrepareNext(const std::string& path) {
  if (prepared_ != 0 && preparedPath_ == path) return;
  DropPrepared();
  settle();
  if (namesNoFile(path)) return;
  prepared_ = Engine::instance().streamCreateFileAfter(Stream, path);
  if (prepared_ != 0) preparedPath_ = path;
}

bool TETrack::WantsNext() {
  settle();
  if (prepared_ != 0 || opening_ != 0 || State != PlayState::Playing || !streamOpen()) return false;
  const Engine& engine = Engine::instance();
  if (engine.isActive(Stream) != audio::Activity::Playing) return false;
  const int64_t left = engine.getLength(Stream) - engine.getPosition(Stream);
  return engine.bytesToSeconds(Stream, left) < kPrepareAheadSeconds;
}

void TETrack::DropPrepared() {
  if (prepared_ == 0) return;
  Engine::instance().streamFree(prepared_);
  prepared_ = 0;
  preparedPath_.clear();
}

bool TETrack::IsPrepared(const std::string& path) const { return prepared_ != 0 && path == preparedPath_; }

bool TETrack::HasPrepared() const { return prepared_ != 0; }

bool TETrack::PlayingPrepared() {
  settle();
  if (prepared_ == 0) return false;
  const Engine& engine = Engine::instance();
  return engine.isActive(Stream) == audio::Activity::Stopped && engine.getPosition(Stream) == engine.getLength(Stream);
}

bool TETrack::AdoptPrepared(const std::string& path) {
  settle();
  if (!IsPrepared(path)) return false;
  Engine& engine = Engine::instance();
  // A file that does not play (gone since, a folder, not audio) has failed on the media
  // thread by now; the caller opens the entry as it would without a prepared stream.
  if (engine.streamStatus(prepared_) == audio::StreamStatus::Failed) {
    DropPrepared();
    return false;
  }
  if (!engine.streamTakeOver(Stream, prepared_)) return false;
  OpenAttempted = true;
  // The effects and the bands came along, under the same handles.
  for (auto& on : effectStreams_) {
    if (on == Stream) on = prepared_;
  }
  if (equalizerStream_ == Stream) equalizerStream_ = prepared_;
  Stream = prepared_;
  prepared_ = 0;
  preparedPath_.clear();
  FileName = fileNamePart(path);
  return true;
}

void TETrack::Play() {
  if (State == PlayState::Playing) return;
  settle();
  Engine::instance().play(Stream, false);
  State = PlayState::Playing;
}

void TETrack::Pause() {
  if (State != PlayState::Playing) return;
  settle();
  Engine::instance().pause(Stream);
  State = PlayState::Paused;
}

void TETrack::Stop() {
  if (State != PlayState::Playing) return;
  settle();
  DropPrepared();
  Engine& engine = Engine::instance();
  // A stream at its start, just opened say, keeps what it has decoded from there.
  if (engine.getPosition(Stream) != 0) engine.setPosition(Stream, 0);
  engine.stopStream(Stream);
  State = PlayState::Stopped;
}

int32_t TETrack::GetLengthBytes() {
  settle();
  if (Stream == 0) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(Engine::instance().getLength(Stream)));
}

int32_t TETrack::GetPositionBytes() {
  settle();
  if (Stream == 0) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(readPosition()));
}

// While the file opens, the times last computed stay.
DayFraction TETrack::GetLengthTime() {
  settle();
  if (Stream != 0 && streamOpen()) {
    const Engine& engine = Engine::instance();
    LengthSeconds = std::chrono::duration<double>(engine.bytesToSeconds(Stream, engine.getLength(Stream)));
  }
  return LengthSeconds;
}

DayFraction TETrack::GetPositionTime() {
  settle();
  if (Stream != 0 && streamOpen()) {
    const Engine& engine = Engine::instance();
    PositionSeconds = std::chrono::duration<double>(engine.bytesToSeconds(Stream, readPosition()));
  }
  return PositionSeconds;
}

// A stream prepared to follow may already be playing past this one's end: a seek lets it go.
void TETrack::SeekBytes(int32_t position) { SeekFullBytes(position); }

// Bytes and seconds of a stream are proportional, so the byte that a time stands for is its
// share of the length. The engine rounds the byte down to a whole frame.
void TETrack::SeekTime(std::chrono::duration<double> position) {
  settle();
  Engine& engine = Engine::instance();
  const int64_t length = engine.getLength(Stream);
  const double lengthSeconds = engine.bytesToSeconds(Stream, length);
  if (length <= 0 || !(lengthSeconds > 0.0)) return;
  const double share = position.count() / lengthSeconds;
  if (!(share >= 0.0 && share < 1.0)) return;
  DropPrepared();
  engine.setPosition(Stream, static_cast<int64_t>(share * static_cast<double>(length)));
}

audio::Activity TETrack::GetActivity() {
  settle();
  return Engine::instance().isActive(Stream);
}

int64_t TETrack::GetFullLengthBytes() {
  settle();
  return Engine::instance().getLength(Stream);
}

int64_t TETrack::GetFullPositionBytes() {
  settle();
  return readPosition();
}

int64_t TETrack::readPosition() const {
  const Engine& engine = Engine::instance();
  return readingMoment_ ? engine.getPosition(Stream, *readingMoment_) : engine.getPosition(Stream);
}

void TETrack::SeekFullBytes(int64_t position) {
  settle();
  Engine& engine = Engine::instance();
  if (position >= engine.getLength(Stream)) return;
  DropPrepared();
  engine.setPosition(Stream, position);
}

bool TETrack::GetSpectrum(float* out) {
  settle();
  if (Stream == 0) return false;
  const Engine& engine = Engine::instance();
  return readingMoment_ ? engine.getFft1024(Stream, out, *readingMoment_) : engine.getFft1024(Stream, out);
}

bool TETrack::GetTags(audio::StreamTags& tags) {
  settle();
  return Stream != 0 && Engine::instance().streamTags(Stream, tags);
}

// A stream opening to replace the current one takes the value too.
void TETrack::SetVolume(int32_t value) {
  LastVolume = value;
  volumeGiven_ = true;
  settle();
  Engine& engine = Engine::instance();
  for (const audio::StreamHandle stream : {Stream, opening_}) {
    if (stream != 0) engine.setAttribute(stream, audio::Attribute::Volume, static_cast<float>(value) / 10.0f);
  }
}

void TETrack::SetBalance(int32_t value) {
  LastBalance = value;
  balanceGiven_ = true;
  settle();
  Engine& engine = Engine::instance();
  for (const audio::StreamHandle stream : {Stream, opening_}) {
    if (stream != 0) engine.setAttribute(stream, audio::Attribute::Pan, static_cast<float>(value) / 5.0f);
  }
}

// An effect is on a stream once at most: a second instance would apply it twice (a
// compressor's gain doubled in decibels), and switching off would leave the first behind.
void TETrack::EnableEffect(EffectKind kind) {
  const auto index = static_cast<size_t>(kind);
  if (index >= std::size(kEffectKinds)) return;
  settle();
  const int slot = kEffectKinds[index].slot;
  if (Stream != 0 && effectStreams_[slot] == Stream) return;
  EffectHandles[slot] = Engine::instance().setFx(Stream, kEffectKinds[index].type, kEffectPriority);
  effectStreams_[slot] = EffectHandles[slot] != 0 ? Stream : 0;
}

void TETrack::DisableEffect(EffectKind kind) {
  const auto index = static_cast<size_t>(kind);
  if (index >= std::size(kEffectKinds)) return;
  const int slot = kEffectKinds[index].slot;
  Engine::instance().removeFx(Stream, EffectHandles[slot]);
  if (effectStreams_[slot] == Stream) effectStreams_[slot] = 0;
}

void TETrack::SetCompressorGain(float gain) {
  Engine& engine = Engine::instance();
  engine.fxGetParameters(EffectHandles[slotOf(EffectKind::Compressor)], CompressorParams);
  if (inside(gain, -60.0f, 60.0f)) CompressorParams.fGain = std::trunc(gain);
  engine.fxSetParameters(EffectHandles[slotOf(EffectKind::Compressor)], CompressorParams);
}

void TETrack::SetReverbMix(float mix) {
  Engine& engine = Engine::instance();
  engine.fxGetParameters(EffectHandles[slotOf(EffectKind::Reverb)], ReverbParams);
  ReverbParams.fInGain = 0.0f;
  ReverbParams.fReverbMix = std::trunc(mix);
  ReverbParams.fReverbTime = 1000.0f;
  ReverbParams.fHighFreqRTRatio = 0.1f;
  engine.fxSetParameters(EffectHandles[slotOf(EffectKind::Reverb)], ReverbParams);
}

void TETrack::SetFlanger(float wetDryMix, float depth, float feedback, float frequency, float delay) {
  Engine& engine = Engine::instance();
  engine.fxGetParameters(EffectHandles[slotOf(EffectKind::Flanger)], FlangerParams);
  if (inside(wetDryMix, 0.0f, 100.0f)) FlangerParams.fWetDryMix = wetDryMix;
  if (inside(depth, 0.0f, 100.0f)) FlangerParams.fDepth = depth;
  if (inside(feedback, -99.0f, 99.0f)) FlangerParams.fFeedback = feedback;
  if (inside(frequency, -99.0f, 99.0f)) FlangerParams.fFrequency = frequency;
  FlangerParams.lWaveform = 1;
  if (inside(delay, 0.0f, 4.0f)) FlangerParams.fDelay = delay;
  FlangerParams.lPhase = 1;
  engine.fxSetParameters(EffectHandles[slotOf(EffectKind::Flanger)], FlangerParams);
}

// Like the effects, the bands are on a stream once at most.
void TETrack::ConnectEqualizer() {
  settle();
  if (Stream != 0 && equalizerStream_ == Stream) return;
  Engine& engine = Engine::instance();
  // The ten bands go on in one change, which fades in as a whole.
  engine.setFx(Stream, FxType::ParamEq, kEqualizerPriority, EqBands);
  equalizerStream_ = EqBands[0] != 0 ? Stream : 0;
  for (size_t band = 0; band < std::size(EqBands); ++band) {
    EqParams = audio::Dx8ParamEq{kEqCentres[band], kEqBandwidth, 0.0f};
    engine.fxSetParameters(EqBands[band], EqParams);
  }
}

void TETrack::DisconnectEqualizer() {
  Engine& engine = Engine::instance();
  for (const auto band : EqBands) engine.removeFx(Stream, band);
  if (equalizerStream_ == Stream) equalizerStream_ = 0;
}

void TETrack::SetEq80(float gain) { setBand(*this, 0, gain); }
void TETrack::SetEq170(float gain) { setBand(*this, 1, gain); }
void TETrack::SetEq310(float gain) { setBand(*this, 2, gain); }
void TETrack::SetEq600(float gain) { setBand(*this, 3, gain); }
void TETrack::SetEq1000(float gain) { setBand(*this, 4, gain); }
void TETrack::SetEq3000(float gain) { setBand(*this, 5, gain); }
void TETrack::SetEq6000(float gain) { setBand(*this, 6, gain); }
void TETrack::SetEq10000(float gain) { setBand(*this, 7, gain); }
void TETrack::SetEq12000(float gain) { setBand(*this, 8, gain); }
void TETrack::SetEq14000(float gain) { setBand(*this, 9, gain); }
