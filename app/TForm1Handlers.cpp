// The window's handlers, each named after its component and event: it hands the event to the
// playlist, the player or the visualisation and shows what comes back. The routines they
// share with FormCreate and FormDestroy follow them.
//
// A pass of the playback tick falls due every few milliseconds for as long as the window
// lives, so it allocates nothing but a label text that has really changed, and it leaves a
// label alone while its text stays the same. The tick wakes once a frame and runs the passes
// that fell due meanwhile (TickSchedule), unless the player has to act at once.

#include <QFileDialog>
#include <QLabel>
#include <QSlider>
#include <QTimer>
#include <algorithm>
#include <array>
#include <chrono>
#include <optional>

#include "app/ErrorBox.h"
#include "app/TForm1.h"
#include "playlist/GaugeMapping.h"
#include "playlist/Player.h"
#include "playlist/Playlist.h"
#include "settings/ByteText.h"
#include "settings/IniFile.h"
#include "settings/PlayerSettings.h"
#include "ui/MprisService.h"
#include "ui/TrayIcon.h"
#include "ui_TForm1.h"
#include "vis/Visualisation.h"

namespace {

// Page indices of sPageControl1.
constexpr int kPlaylistPage = 0;
constexpr int kEffectsPage = 1;
constexpr int kEqualizerPage = 2;
constexpr int kGraphPage = 3;
// rashirit1 shows the page control on the page it already has.
constexpr int kPageItHas = -1;

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

std::array<QSlider*, PlayerSettings::kBandCount> bandSliders(const Ui::TForm1& ui) {
  return {ui.sTrackBar10, ui.sTrackBar11, ui.sTrackBar12, ui.sTrackBar13, ui.sTrackBar14,
          ui.sTrackBar15, ui.sTrackBar16, ui.sTrackBar17, ui.sTrackBar18, ui.sTrackBar19};
}

}  // namespace

// --- Timers and the window ------------------------------------------------------------------

void TForm1::Timer1Timer(std::optional<TickSchedule::Clock::time_point> asOf) {
  const TickView shown = player_->tick(visualisation_->spectrum().SpectrumBuffer, asOf);
  if (!shown.ticked) return;
  ui->sGauge1->setMaxValue(shown.positionMaximum);
  ui->sGauge1->setProgress(shown.positionProgress);
  showText(ui->Label1, shown.position.view());
  showText(ui->Label2, shown.length.view());
  if (!shown.drawn) return;
  visualisation_->DrawSpectrum(ui->sRadioGroup1->ItemIndex());
  showText(ui->Label3, shown.counter.view());
}

void TForm1::Timer2Timer() {}

void TForm1::Timer3Timer() { visualisation_->present(); }

void TForm1::Timer4Timer() {
  Timer4->stop();
  player_->autoplay();
}

void TForm1::FormDeactivate() {}
void TForm1::FormMouseMove() {}

// The message waits until the user closes its box; the sequences start over meanwhile.
void TForm1::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
  if (const std::optional<QString> message = keySequences_.KeyDown(key, shift)) showMessage(this, *message);
}

// Every path is kept whole, however long.
void TForm1::FilesDropped(const QStringList& paths) { playlist_->append(paths); }

// --- The transport panel and the playlist page ---------------------------------------------

void TForm1::ListBox1Click() { player_->startSelectedEntry(); }
void TForm1::BitBtn2Click() { player_->play(); }
void TForm1::BitBtn3Click() { player_->pause(); }
void TForm1::BitBtn4Click() { player_->stop(); }
void TForm1::sBitBtn2Click() { player_->next(); }
void TForm1::sBitBtn3Click() { player_->previous(); }

void TForm1::BitBtn1Click() {
  // The index is taken before the dialog runs, whether or not it is confirmed.
  player_->takeCurrentIndexFromSelection();
  QFileDialog dialog(this, QStringLiteral("Open Files"));
  dialog.setObjectName(QStringLiteral("OpenDialog1"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted) return;
  const QList<QUrl> chosen = dialog.selectedUrls();
  // A name that is not UTF-8 keeps its bytes, so that the entry opens the file.
  if (!chosen.isEmpty()) playlist_->append(textFromLocalFileUrl(chosen.first()));
}

void TForm1::BitBtn5Click() { playlist_->clear(); }
void TForm1::ClearPlayList1Click() { playlist_->clear(); }
void TForm1::deleteselectedfile1Click() { playlist_->remove(playlist_->selection()); }

// "mini": the small panel alone, with the surface on it.
void TForm1::sBitBtn1Click() {
  ui->sPageControl1->hide();
  ui->Panel2->hide();
  visualisation_->BindSurface(ui->Panel1);
  updateClientSize();
}

// "max": the large drawing panel beside the rest, with the surface on it.
void TForm1::sBitBtn4Click() {
  ui->Panel2->show();
  visualisation_->BindSurface(ui->Panel2);
  updateClientSize();
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

// --- The effects and the equaliser ----------------------------------------------------------

void TForm1::sCheckBox1Click() { player_->switchEffect(EffectKind::Compressor, ui->sCheckBox1->isChecked()); }
void TForm1::sCheckBox2Click() { player_->switchEffect(EffectKind::Reverb, ui->sCheckBox2->isChecked()); }
void TForm1::sCheckBox3Click() { player_->switchEffect(EffectKind::Echo, ui->sCheckBox3->isChecked()); }
void TForm1::sCheckBox4Click() { player_->switchEffect(EffectKind::Chorus, ui->sCheckBox4->isChecked()); }
// Both flanger boxes switch the flanger.
void TForm1::sCheckBox7Click() { player_->switchEffect(EffectKind::Flanger, ui->sCheckBox7->isChecked()); }
void TForm1::sCheckBox9Click() { player_->switchEffect(EffectKind::Flanger, ui->sCheckBox9->isChecked()); }

void TForm1::sTrackBar5Change() { player_->setFlanger(0, ui->sTrackBar5->value()); }
void TForm1::sTrackBar6Change() { player_->setFlanger(1, ui->sTrackBar6->value()); }
void TForm1::sTrackBar7Change() { player_->setFlanger(2, ui->sTrackBar7->value()); }
void TForm1::sTrackBar8Change() { player_->setFlanger(3, ui->sTrackBar8->value()); }
void TForm1::sTrackBar9Change() { player_->setFlanger(4, ui->sTrackBar9->value()); }

void TForm1::sCheckBox8Click() { player_->connectEqualizer(ui->sCheckBox8->isChecked()); }

// --- The window menu and the tray menu ------------------------------------------------------

void TForm1::seting1Click() { showPages(kEffectsPage); }
void TForm1::OpenFiles1Click() { showPages(kPlaylistPage); }
void TForm1::SettingEQ1Click() { showPages(kEqualizerPage); }
void TForm1::svernut1Click() { HideToTray(); }
void TForm1::rashirit1Click() { showPages(kPageItHas); }
void TForm1::Grafik1Click() { showPages(kGraphPage); }

void TForm1::maximaze1Click() { RestoreFromTray(); }
// The tray's transport items press the panel's buttons, hidden or not.
void TForm1::play1Click() { ui->BitBtn2->click(); }
void TForm1::pause1Click() { ui->BitBtn3->click(); }
void TForm1::stop1Click() { ui->BitBtn4->click(); }
void TForm1::N1Click() { ui->sBitBtn2->click(); }
void TForm1::N2Click() { ui->sBitBtn3->click(); }

// --- The hand-off -----------------------------------------------------------------------------

void TForm1::HandOffReceived(const QByteArrayList& paths) {
  if (player_->HandOffReceived(paths)) RestoreFromTray();
}

void TForm1::StartWithFiles(const QByteArrayList& paths) {
  if (paths.isEmpty()) return;
  Timer4->stop();
  HandOffReceived(paths);
}

// --- Routines ---------------------------------------------------------------------------------

// Config.ini's values go to the controls that show them, which hand them on to the player.
void TForm1::LoadSettings() {
  const PlayerSettings settings = PlayerSettings::load(*ConfigIni);
  // Checking "connect" runs its handler, which puts the bands just shown on the open stream;
  // the drawing is chosen last.
  ui->sGauge2->setProgress(settings.volume);
  ui->sTrackBar1->setValue(settings.balance);
  const auto sliders = bandSliders(*ui);
  for (size_t band = 0; band < sliders.size(); ++band) sliders[band]->setValue(settings.bands[band]);
  ui->sCheckBox8->setChecked(settings.equalizerConnected);
  ui->sCheckBox5->setChecked(settings.exitAtListEnd);
  ui->sCheckBox6->setChecked(settings.randomEntry);
  ui->CheckBox1->setChecked(settings.repeatList);
  ui->sRadioGroup1->setItemIndex(settings.drawing);
  // The track takes the volume and balance now rather than at the first tick, so that an
  // entry started before it (the command line's) sounds at them from its first sample; a
  // control that already showed its value has not passed it on.
  player_->setVolume(ui->sGauge2->Progress());
  player_->setBalance(ui->sTrackBar1->value());
}

// What the controls show at exit goes to Config.ini.
void TForm1::SaveSettings() {
  if (!ConfigIni) return;
  PlayerSettings settings;
  settings.volume = ui->sGauge2->Progress();
  settings.balance = ui->sTrackBar1->value();
  settings.drawing = ui->sRadioGroup1->ItemIndex();
  const auto sliders = bandSliders(*ui);
  for (size_t band = 0; band < sliders.size(); ++band) settings.bands[band] = sliders[band]->value();
  settings.equalizerConnected = ui->sCheckBox8->isChecked();
  settings.exitAtListEnd = ui->sCheckBox5->isChecked();
  settings.randomEntry = ui->sCheckBox6->isChecked();
  settings.repeatList = ui->CheckBox1->isChecked();
  settings.save(*ConfigIni);
}

// Hiding keeps the layout, and playback, the timers and the drawing go on. A desktop without
// a tray would leave nothing to restore the window from, so there it is minimised instead.
void TForm1::HideToTray() {
  if (!TrayIcon::isTrayAvailable()) {
    showMinimized();
    return;
  }
  hide();
}

void TForm1::RestoreFromTray() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

// Shows the page control below the transport panel, on `page` (kPageItHas: the page it already
// has), and lets the window grow to hold it.
void TForm1::showPages(int page) {
  ui->sPageControl1->show();
  if (page != kPageItHas) ui->sPageControl1->setCurrentIndex(page);
  updateClientSize();
}

// Sizes the window's client area to the bounding box of its visible children.
void TForm1::updateClientSize() {
  int width = 0;
  int height = 0;
  for (QObject* object : children()) {
    auto* child = qobject_cast<QWidget*>(object);
    if (child == nullptr || child->isWindow() || child->isHidden()) continue;
    width = std::max(width, child->geometry().right() + 1);
    height = std::max(height, child->geometry().bottom() + 1);
  }
  setFixedSize(width, height);
}

// A tick that finds nothing to do shows the same values again and draws what it drew before,
// and a frame step then shows the same picture again (a black panel with nothing drawn):
// while that holds, the tick would wake the process twenty times a second for nothing.
// Everything a tick reads changes only in an event handler on this thread, or through a
// stream that plays, so its timers stop until the next event, and so does the media
// service's poll, which would find nothing new either. They stop right after a frame step,
// so that the panel keeps the picture that the frames would go on showing. Timers that
// someone else stopped stay stopped.
void TForm1::restWhileNothingChanges() {
  if (resting_ || !player_->NothingToTick(visualisation_->standsStill()) || !visualisation_->atRest()) return;
  if (!Timer1->isActive() || !Timer3->isActive()) return;
  Timer1->stop();
  Timer3->stop();
  if (Mpris) Mpris->rest();
  resting_ = true;
}

void TForm1::wakeFromRest() {
  resting_ = false;
  // Nothing that fell due while resting would have changed anything.
  const TickSchedule::Clock::time_point now = TickSchedule::Clock::now();
  tickSchedule_.start(now);
  armTick(now);
  Timer3->start();
  if (Mpris) Mpris->wake();
}

// A tick timer that someone else stopped stays stopped. One that runs wakes for every pass
// until it is set for its next wakeup, so that the tick goes on at that pace, and no faster,
// in the nested loop of an error box that a pass shows.
void TForm1::Timer1Wakeup() {
  if (Timer1->isActive()) Timer1->start(TickSchedule::kPassInterval);
  runDuePasses(TickSchedule::Clock::now());
  if (destroyed_) return;
  if (Timer1->isActive()) armTick(TickSchedule::Clock::now());
  restWhileNothingChanges();
}

// While the tick is stopped, the frame steps run by themselves.
void TForm1::frameTimerRanOut() {
  if (Timer1->isActive()) {
    Timer1Wakeup();
  } else {
    Timer3Timer();
  }
}

// Passes that run late run one after another, each as of the moment it fell due: the spectrum
// and the position that the audio thread had given by then, so that the passes of a frame draw
// what they would have drawn waking one by one. Everything else they read changes only in
// event handlers, which come before or after all of them as if they had come at a wakeup.
void TForm1::runDuePasses(TickSchedule::Clock::time_point now) {
  bool ran = false;
  while (const std::optional<TickSchedule::Pass> pass = tickSchedule_.nextDue(now)) {
    ran = true;
    // The pass that fell due last, less than a pass interval ago, is the one that the wakeup
    // came for: it reads what is now, as it would have waking by itself.
    const bool late = now - pass->moment >= TickSchedule::kPassInterval;
    Timer1Timer(late ? std::optional(pass->moment) : std::nullopt);
    // The frame timer, begun again with every frame step, runs out only when the tick misses
    // one; a stopped frame timer leaves the frame steps to whoever stopped it.
    if (pass->frameStepFollows && Timer3->isActive()) {
      Timer3->start();
      Timer3Timer();
    }
  }
  // A wakeup before any pass is due (the timer fired by hand) runs one pass for now, off the
  // schedule, so that every wakeup shows what is.
  if (!ran) Timer1Timer();
}

void TForm1::armTick(TickSchedule::Clock::time_point now) {
  const TickSchedule::Clock::duration wait = tickSchedule_.untilNextWake(now, player_->tickActsAtOnce());
  Timer1->start(std::chrono::ceil<std::chrono::milliseconds>(wait));
}

// Timers that someone else stopped stay stopped.
void TForm1::tickAtNextPass() {
  if (!Timer1->isActive()) return;
  const TickSchedule::Clock::duration wait = tickSchedule_.untilNextWake(TickSchedule::Clock::now(), true);
  Timer1->start(std::chrono::ceil<std::chrono::milliseconds>(wait));
}
