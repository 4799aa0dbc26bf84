// The sound controls: the player keeps their values and applies them to the track. The
// effect switches, the flanger's sliders and the equaliser switch have handlers; the volume,
// the balance, the compressor's and the reverb's sliders and the ten bands are followed.

#include <QCheckBox>
#include <QSlider>
#include <array>

#include "app/TForm1.h"
#include "playlist/Player.h"
#include "ui/TsCheckBox.h"
#include "ui/TsGauge.h"
#include "ui_TForm1.h"

void TForm1::followSoundControls() {
  player_->setVolume(ui->sGauge2->Progress());
  connect(ui->sGauge2, &TsGauge::progressChanged, player_, &Player::setVolume);
  connect(player_, &Player::volumeChanged, ui->sGauge2, &TsGauge::setProgress);
  player_->setBalance(ui->sTrackBar1->value());
  connect(ui->sTrackBar1, &QAbstractSlider::valueChanged, player_, &Player::setBalance);
  player_->setCompressorGain(ui->sTrackBar2->value());
  connect(ui->sTrackBar2, &QAbstractSlider::valueChanged, player_, &Player::setCompressorGain);
  player_->setReverbMix(ui->sTrackBar3->value());
  connect(ui->sTrackBar3, &QAbstractSlider::valueChanged, player_, &Player::setReverbMix);
  const std::array<QSlider*, SoundControls::kFlangerValueCount> flanger = {
      ui->sTrackBar5, ui->sTrackBar6, ui->sTrackBar7, ui->sTrackBar8, ui->sTrackBar9};
  for (size_t value = 0; value < flanger.size(); ++value) player_->setFlanger(value, flanger[value]->value());
  const std::array<QSlider*, SoundControls::kBandCount> bands = {
      ui->sTrackBar10, ui->sTrackBar11, ui->sTrackBar12, ui->sTrackBar13, ui->sTrackBar14,
      ui->sTrackBar15, ui->sTrackBar16, ui->sTrackBar17, ui->sTrackBar18, ui->sTrackBar19};
  for (size_t band = 0; band < bands.size(); ++band) {
    player_->setBand(band, bands[band]->value());
    connect(bands[band], &QAbstractSlider::valueChanged, player_,
            [player = player_, band](int position) { player->setBand(band, position); });
  }
}

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
