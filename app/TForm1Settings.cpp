// Config.ini: the window shows the settings read at start, and saves what its controls show
// at exit.

#include <QCheckBox>
#include <QSlider>
#include <array>

#include "app/TForm1.h"
#include "playlist/Player.h"
#include "settings/PlayerSettings.h"
#include "ui_TForm1.h"

namespace {

std::array<QSlider*, PlayerSettings::kBandCount> bandSliders(const Ui::TForm1& ui) {
  return {ui.sTrackBar10, ui.sTrackBar11, ui.sTrackBar12, ui.sTrackBar13, ui.sTrackBar14,
          ui.sTrackBar15, ui.sTrackBar16, ui.sTrackBar17, ui.sTrackBar18, ui.sTrackBar19};
}

}  // namespace

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
