// The playback tick, the player's heartbeat, and the two gauges that double as input.
//
// The tick runs every few milliseconds for as long as the window lives, so it allocates
// nothing but a label text that has really changed, and it leaves a label alone while its
// text stays the same.

#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>

#include "app/TForm1.h"
#include "audio/TETrack.h"
#include "playlist/ClockText.h"
#include "playlist/GaugeMapping.h"
#include "playlist/Playlist.h"
#include "ui/MprisService.h"
#include "ui_TForm1.h"
#include "vis/VisSurface.h"

namespace {

// "Track3  of  12": the entry number counted from 1 and the number of entries.
class TrackCounterText {
 public:
  TrackCounterText(int64_t number, int64_t count) {
    char* out = chars_.data();
    char* const end = out + chars_.size();
    out = append(out, "Track");
    out = std::to_chars(out, end, number).ptr;
    out = append(out, "  of  ");
    out = std::to_chars(out, end, count).ptr;
    length_ = out - chars_.data();
  }

  QLatin1String view() const { return QLatin1String(chars_.data(), length_); }

 private:
  template <size_t N>
  static char* append(char* out, const char (&text)[N]) {
    return std::copy(text, text + N - 1, out);
  }

  // Room for both words and two 64-bit numbers with their signs.
  std::array<char, 64> chars_{};
  qsizetype length_ = 0;
};

void showText(QLabel* label, QLatin1String text) {
  if (label->text() == text) return;
  label->setText(text);
  label->adjustSize();
}

// The position gauge shows the stream's length and position in bytes, at the coarser scale
// that a stream of 2^31 bytes or more needs. Without a stream both are 0.
void showPosition(TForm1& form) {
  TETrack& track = *form.Track;
  const int64_t length = std::max<int64_t>(track.GetFullLengthBytes(), 0);
  const int64_t position = std::max<int64_t>(track.GetFullPositionBytes(), 0);
  const GaugeByteScale scale = GaugeByteScale::forLength(length);
  form.ui->sGauge1->setMaxValue(scale.toGauge(length));
  form.ui->sGauge1->setProgress(scale.toGauge(position));
}

// Moves the stream to the byte that a position gauge value stands for. As with a seek through
// the track, a position at or past the end is ignored.
void seekToGaugeValue(TForm1& form, int32_t value) {
  TETrack& track = *form.Track;
  const GaugeByteScale scale = GaugeByteScale::forLength(track.GetFullLengthBytes());
  if (scale.shift() == 0) {
    track.SeekBytes(value);
    return;
  }
  track.SeekFullBytes(scale.toBytes(value));
}

// Sets a gauge to the value under the pointer while the left button is held; returns whether
// it did.
bool dragGauge(TsGauge* gauge, Qt::MouseButtons buttons, int x) {
  if (!buttons.testFlag(Qt::LeftButton)) return false;
  gauge->setProgress(gaugeValueAtPixel(x, gauge->width(), gauge->MinValue(), gauge->MaxValue()));
  return true;
}

}  // namespace

void TForm1::Timer1Timer() {
  if (!Track) return;
  FinishWaitingStart();
  showPosition(*this);
  showText(ui->Label1, ClockText(Track->GetPositionTime()).view());
  showText(ui->Label2, ClockText(Track->GetLengthTime()).view());
  Track->SetBalance(sound_.balance);
  Track->SetVolume(sound_.volume);
  CheckTrackEnd();
  PrepareNextEntry();
  if (!Track || Track->Stream == 0) return;
  Track->GetSpectrum(spectrum_.SpectrumBuffer.data());
  DrawSpectrum(ui->sRadioGroup1->ItemIndex());
  standstill_.passDrawn(spectrum_.SpectrumBuffer, spectrum_.PeakLevels, spectrum_.BarLevels);
  showText(ui->Label3,
           TrackCounterText(int64_t{CurrentIndex} + 1, playlist_->count()).view());
  PushEffectParameters();
}

bool TForm1::NothingToTick() {
  if (!Track || waitingStart_ || EndOfTrackWouldAct()) return false;
  if (Track->Stream == 0) return true;
  // A stream that plays, or opens, moves on by itself; one that is paused, stopped or
  // finished shows the same position and length again, and once nothing more is heard its
  // spectrum stands still, and so do the levels after their fall.
  const audio::Activity activity = Track->GetActivity();
  if (activity == audio::Activity::Playing || activity == audio::Activity::Stalled) return false;
  return standstill_.reached();
}

// A tick that finds nothing to do shows the same values again and draws what it drew before,
// and a frame step then shows the same picture again (a black panel with nothing drawn):
// while that holds, their timers would wake the process a hundred times a second for
// nothing. Everything a tick reads changes only in an event handler on this thread, or
// through a stream that plays, so they stop until the next event, and so does the media
// service's poll, which would find nothing new either. They stop right after a frame step,
// so that the panel keeps the picture that the frames would go on showing. Timers that
// someone else stopped stay stopped.
void TForm1::restWhileNothingChanges() {
  if (resting_ || !NothingToTick() || !Surface || !Surface->atRest()) return;
  if (!Timer1->isActive() || !Timer3->isActive()) return;
  Timer1->stop();
  Timer3->stop();
  if (Mpris) Mpris->rest();
  resting_ = true;
}

void TForm1::wakeFromRest() {
  resting_ = false;
  Timer1->start();
  Timer3->start();
  if (Mpris) Mpris->wake();
}

// The frame step falls due with every fifth tick, but each timer keeps to a schedule of its
// own, begun a few microseconds apart, so the frame step would wake the process a second time
// just after that tick. Run from the tick's wakeup and begun again there, it shares the
// wakeup from then on; frames still come every 50 ms, and the tick's pass is in the frame.
void TForm1::runDueFrameStepWithTick() {
  if (!Timer3->isActive() || Timer3->remainingTime() >= Timer1->interval() / 2) return;
  Timer3->start();
  Timer3Timer();
}

void TForm1::sGauge1MouseMove(Qt::MouseButtons buttons, int x, int) {
  if (!Track || !dragGauge(ui->sGauge1, buttons, x)) return;
  SettleBeforeCommand();
  seekToGaugeValue(*this, ui->sGauge1->Progress());
  if (Mpris) Mpris->announceSeek();
}

void TForm1::sGauge2MouseMove(Qt::MouseButtons buttons, int x, int) {
  if (!Track || !dragGauge(ui->sGauge2, buttons, x)) return;
  Track->SetVolume(ui->sGauge2->Progress());
}
