// The playback tick, the player's heartbeat, and the two gauges that double as input.
//
// The tick runs every few milliseconds for as long as the window lives, so it allocates
// nothing but a label text that has really changed, and it leaves a label alone while its
// text stays the same.

#include <QLabel>
#include <QTimer>

#include "app/TForm1.h"
#include "playlist/GaugeMapping.h"
#include "playlist/Player.h"
#include "ui/MprisService.h"
#include "ui_TForm1.h"
#include "vis/VisSurface.h"

namespace {

void showText(QLabel* label, QLatin1String text) {
  if (label->text() == text) return;
  label->setText(text);
  label->adjustSize();
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
  const TickView shown = player_->tick(spectrum_.SpectrumBuffer);
  if (!shown.ticked) return;
  ui->sGauge1->setMaxValue(shown.positionMaximum);
  ui->sGauge1->setProgress(shown.positionProgress);
  showText(ui->Label1, shown.position.view());
  showText(ui->Label2, shown.length.view());
  if (!shown.drawn) return;
  DrawSpectrum(ui->sRadioGroup1->ItemIndex());
  standstill_.passDrawn(spectrum_.SpectrumBuffer, spectrum_.PeakLevels, spectrum_.BarLevels);
  showText(ui->Label3, shown.counter.view());
}

bool TForm1::NothingToTick() { return player_->NothingToTick(standstill_.reached()); }

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
  if (player_->Track() == nullptr || !dragGauge(ui->sGauge1, buttons, x)) return;
  player_->seekToPositionGauge(ui->sGauge1->Progress());
  if (Mpris) Mpris->announceSeek();
}

void TForm1::sGauge2MouseMove(Qt::MouseButtons buttons, int x, int) {
  if (player_->Track() == nullptr || !dragGauge(ui->sGauge2, buttons, x)) return;
  player_->setVolume(ui->sGauge2->Progress());
}
