// The Effects page's switches and sliders, the equaliser switch, and the per-tick push of
// every effect and equaliser value to the track.

#include <QCheckBox>
#include <QSlider>

#include "app/TForm1.h"
#include "audio/TETrack.h"
#include "ui/TsCheckBox.h"
#include "ui_TForm1.h"

namespace {

// The check boxes that switch effects, with the kind each switches (the engine type and the
// track's slot of a kind are in kEffectKinds). The first four, in this order, are the ones
// that every new stream gets again; the two flanger boxes come last.
struct EffectSwitch {
  TsCheckBox* Ui::TForm1::*box;
  EffectKind kind;
};
constexpr EffectSwitch kEffectSwitches[] = {
    {&Ui::TForm1::sCheckBox3, EffectKind::Echo},    {&Ui::TForm1::sCheckBox1, EffectKind::Compressor},
    {&Ui::TForm1::sCheckBox2, EffectKind::Reverb},  {&Ui::TForm1::sCheckBox4, EffectKind::Chorus},
    {&Ui::TForm1::sCheckBox7, EffectKind::Flanger}, {&Ui::TForm1::sCheckBox9, EffectKind::Flanger},
};
constexpr size_t kSwitchesForEveryStream = 4;

void applySwitch(TForm1& form, const EffectSwitch& row) {
  if ((form.ui.get()->*row.box)->isChecked()) {
    form.Track->EnableEffect(row.kind);
  } else {
    form.Track->DisableEffect(row.kind);
  }
}

void applySwitchOf(TForm1& form, TsCheckBox* Ui::TForm1::*box) {
  for (const EffectSwitch& row : kEffectSwitches) {
    if (row.box == box) applySwitch(form, row);
  }
}

float position(const QSlider* slider) { return static_cast<float>(slider->value()); }

}  // namespace

void TForm1::sCheckBox1Click() { applySwitchOf(*this, &Ui::TForm1::sCheckBox1); }
void TForm1::sCheckBox2Click() { applySwitchOf(*this, &Ui::TForm1::sCheckBox2); }
void TForm1::sCheckBox3Click() { applySwitchOf(*this, &Ui::TForm1::sCheckBox3); }
void TForm1::sCheckBox4Click() { applySwitchOf(*this, &Ui::TForm1::sCheckBox4); }
void TForm1::sCheckBox7Click() { applySwitchOf(*this, &Ui::TForm1::sCheckBox7); }
void TForm1::sCheckBox9Click() { applySwitchOf(*this, &Ui::TForm1::sCheckBox9); }

// All five flanger sliders send the same call with every slider's position.
void TForm1::sTrackBar5Change() {
  Track->SetFlanger(position(ui->sTrackBar5), position(ui->sTrackBar6), position(ui->sTrackBar7),
                    position(ui->sTrackBar8), position(ui->sTrackBar9));
}
void TForm1::sTrackBar6Change() { sTrackBar5Change(); }
void TForm1::sTrackBar7Change() { sTrackBar5Change(); }
void TForm1::sTrackBar8Change() { sTrackBar5Change(); }
void TForm1::sTrackBar9Change() { sTrackBar5Change(); }

void TForm1::sCheckBox8Click() { ApplyEqualizerSwitch(); }

// Runs on every new stream and on the play button. Effects and bands die with their stream,
// so the equaliser is put back here too while "connect" is ticked; the track adds nothing
// that is already on the stream, so running this again changes nothing.
void TForm1::ApplyEffectSwitches() {
  for (size_t i = 0; i < kSwitchesForEveryStream; ++i) applySwitch(*this, kEffectSwitches[i]);
  ApplyEqualizerSwitch();
}

void TForm1::ApplyEqualizerSwitch() {
  if (ui->sCheckBox8->isChecked()) {
    Track->ConnectEqualizer();
    PushEffectParameters();
  } else {
    Track->DisconnectEqualizer();
  }
}

void TForm1::PushEffectParameters() {
  TETrack& track = *Track;
  track.SetEq80(position(ui->sTrackBar10));
  track.SetEq170(position(ui->sTrackBar11));
  track.SetEq310(position(ui->sTrackBar12));
  track.SetEq600(position(ui->sTrackBar13));
  track.SetEq1000(position(ui->sTrackBar14));
  track.SetEq3000(position(ui->sTrackBar15));
  track.SetEq6000(position(ui->sTrackBar16));
  track.SetEq10000(position(ui->sTrackBar17));
  track.SetEq12000(position(ui->sTrackBar18));
  track.SetEq14000(position(ui->sTrackBar19));
  track.SetCompressorGain(position(ui->sTrackBar2));
  track.SetReverbMix(position(ui->sTrackBar3));
  track.SetFlanger(position(ui->sTrackBar5), position(ui->sTrackBar6), position(ui->sTrackBar7),
                   position(ui->sTrackBar8), position(ui->sTrackBar9));
}
