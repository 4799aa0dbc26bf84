// The sound controls: the window keeps their values in one SoundControls, which its handlers
// and the playback tick apply to the track, and which the effect switches and sliders, the
// equaliser switch and the flanger's sliders act on.

#include <QCheckBox>
#include <QSlider>
#include <array>

#include "app/TForm1.h"
#include "audio/TETrack.h"
#include "ui/TsCheckBox.h"
#include "ui/TsGauge.h"
#include "ui_TForm1.h"

namespace {

// The check boxes that switch effects, with the kind each switches; both flanger boxes switch
// the flanger.
struct EffectSwitch {
  TsCheckBox* Ui::TForm1::*box;
  EffectKind kind;
};
constexpr EffectSwitch kEffectSwitches[] = {
    {&Ui::TForm1::sCheckBox3, EffectKind::Echo},    {&Ui::TForm1::sCheckBox1, EffectKind::Compressor},
    {&Ui::TForm1::sCheckBox2, EffectKind::Reverb},  {&Ui::TForm1::sCheckBox4, EffectKind::Chorus},
    {&Ui::TForm1::sCheckBox7, EffectKind::Flanger}, {&Ui::TForm1::sCheckBox9, EffectKind::Flanger},
};

}  // namespace

// Each sound control's value is kept in sound_ from its design value on. The window connects
// these before its handlers, so that a handler of a control finds the control's new value
// there.
void TForm1::followSoundControls() {
  const auto follow = [this](QAbstractSlider* slider, int32_t& value) {
    value = slider->value();
    connect(slider, &QAbstractSlider::valueChanged, this, [&value](int position) { value = position; });
  };
  sound_.volume = ui->sGauge2->Progress();
  connect(ui->sGauge2, &TsGauge::progressChanged, this, [this](int progress) { sound_.volume = progress; });
  follow(ui->sTrackBar1, sound_.balance);
  follow(ui->sTrackBar2, sound_.compressorGain);
  follow(ui->sTrackBar3, sound_.reverbMix);
  const std::array<QSlider*, SoundControls::kFlangerValueCount> flanger = {
      ui->sTrackBar5, ui->sTrackBar6, ui->sTrackBar7, ui->sTrackBar8, ui->sTrackBar9};
  for (size_t i = 0; i < flanger.size(); ++i) follow(flanger[i], sound_.flanger[i]);
  const std::array<QSlider*, SoundControls::kBandCount> bands = {
      ui->sTrackBar10, ui->sTrackBar11, ui->sTrackBar12, ui->sTrackBar13, ui->sTrackBar14,
      ui->sTrackBar15, ui->sTrackBar16, ui->sTrackBar17, ui->sTrackBar18, ui->sTrackBar19};
  for (size_t band = 0; band < bands.size(); ++band) follow(bands[band], sound_.bands[band]);

  for (const EffectSwitch& row : kEffectSwitches) {
    TsCheckBox* box = ui.get()->*row.box;
    if (box->isChecked()) sound_.setOn(row.kind, true);
    connect(box, &QAbstractButton::toggled, this, [this, kind = row.kind](bool on) { sound_.setOn(kind, on); });
  }
  sound_.equalizerConnected = ui->sCheckBox8->isChecked();
  connect(ui->sCheckBox8, &QAbstractButton::toggled, this, [this](bool on) { sound_.equalizerConnected = on; });
}

void TForm1::sCheckBox1Click() { sound_.ApplyEffectSwitch(EffectKind::Compressor, *Track); }
void TForm1::sCheckBox2Click() { sound_.ApplyEffectSwitch(EffectKind::Reverb, *Track); }
void TForm1::sCheckBox3Click() { sound_.ApplyEffectSwitch(EffectKind::Echo, *Track); }
void TForm1::sCheckBox4Click() { sound_.ApplyEffectSwitch(EffectKind::Chorus, *Track); }
void TForm1::sCheckBox7Click() { sound_.ApplyEffectSwitch(EffectKind::Flanger, *Track); }
void TForm1::sCheckBox9Click() { sound_.ApplyEffectSwitch(EffectKind::Flanger, *Track); }

// All five flanger sliders send the same call with every slider's position.
void TForm1::sTrackBar5Change() { sound_.PushFlanger(*Track); }
void TForm1::sTrackBar6Change() { sTrackBar5Change(); }
void TForm1::sTrackBar7Change() { sTrackBar5Change(); }
void TForm1::sTrackBar8Change() { sTrackBar5Change(); }
void TForm1::sTrackBar9Change() { sTrackBar5Change(); }

void TForm1::sCheckBox8Click() { ApplyEqualizerSwitch(); }

void TForm1::ApplyEffectSwitches() { sound_.ApplyEffectSwitches(*Track); }
void TForm1::ApplyEqualizerSwitch() { sound_.ApplyEqualizerSwitch(*Track); }
void TForm1::PushEffectParameters() { sound_.PushEffectParameters(*Track); }
