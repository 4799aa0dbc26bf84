// The player's playback tick: one pass, what the window needs to know to decide when the next
// one runs, and whether a pass would change anything. A pass runs every few milliseconds for
// as long as the window lives, so it allocates nothing.

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>

#include "audio/TETrack.h"
#include "playlist/GaugeMapping.h"
#include "playlist/Player.h"
#include "playlist/Playlist.h"

namespace {

// With less than this left to play, the tick looks at every pass, so that it notices the end
// of the stream, and starts what follows, as soon as it would waking for each.
constexpr std::chrono::milliseconds kEveryPassBeforeEnd{250};

// Has the track read as of `moment`, when one is given, for as long as it lives, whatever
// becomes of the pass.
class ReadingAsOf {
 public:
  ReadingAsOf(const std::unique_ptr<TETrack>& track, std::optional<std::chrono::steady_clock::time_point> moment)
      : track_(track), reading_(moment.has_value()) {
    if (reading_) track_->ReadAsOf(*moment);
  }
  ~ReadingAsOf() {
    if (reading_ && track_) track_->ReadNow();
  }
  ReadingAsOf(const ReadingAsOf&) = delete;
  ReadingAsOf& operator=(const ReadingAsOf&) = delete;

 private:
  const std::unique_ptr<TETrack>& track_;
  const bool reading_;
};

}  // namespace

TickView Player::tick(std::span<float> spectrumBuffer, std::optional<std::chrono::steady_clock::time_point> asOf) {
  TickView view;
  if (!track_) return view;
  const ReadingAsOf reading(track_, asOf);
  view.ticked = true;
  FinishWaitingStart();
  // The position gauge shows the stream's length and position in bytes, at the coarser scale
  // that a stream of 2^31 bytes or more needs. Without a stream both are 0.
  const int64_t length = std::max<int64_t>(track_->GetFullLengthBytes(), 0);
  const int64_t position = std::max<int64_t>(track_->GetFullPositionBytes(), 0);
  const GaugeByteScale scale = GaugeByteScale::forLength(length);
  view.positionMaximum = scale.toGauge(length);
  view.positionProgress = scale.toGauge(position);
  view.position = ClockText(track_->GetPositionTime());
  view.length = ClockText(track_->GetLengthTime());
  track_->SetBalance(sound_.balance);
  track_->SetVolume(sound_.volume);
  CheckTrackEnd();
  PrepareNextEntry();
  if (!track_ || track_->Stream == 0) return view;
  track_->GetSpectrum(spectrumBuffer.data());
  view.drawn = true;
  view.counter = TrackCounterText(int64_t{currentIndex_} + 1, playlist_.count());
  PushEffectParameters();
  return view;
}

bool Player::tickActsAtOnce() {
  if (!track_) return false;
  if (waitingStart_) return true;
  if (track_->Stream == 0 || track_->GetActivity() != audio::Activity::Playing) return false;
  return track_->GetLengthTime() - track_->GetPositionTime() < kEveryPassBeforeEnd;
}

bool Player::NothingToTick(bool drawingsStandStill) {
  if (!track_ || waitingStart_ || EndOfTrackWouldAct()) return false;
  if (track_->Stream == 0) return true;
  // A stream that plays, or opens, moves on by itself; one that is paused, stopped or
  // finished shows the same position and length again, and once nothing more is heard its
  // spectrum stands still, and so do the levels after their fall.
  const audio::Activity activity = track_->GetActivity();
  if (activity == audio::Activity::Playing || activity == audio::Activity::Stalled) return false;
  return drawingsStandStill;
}

bool Player::EndOfTrackWouldAct() {
  if (!track_ || waitingStart_) return false;
  return hasPlayedToItsEnd(*track_) && endOfEntryActs(currentIndex_, playlist_.count(), rules_);
}
