// Config.ini: seventeen values read once at start and written once at exit. Several keys
// carry the names of other controls than the ones they hold; the names are kept because
// existing files use them.

#include <QCheckBox>
#include <QSlider>
#include <array>

#include "app/TForm1.h"
#include "audio/TETrack.h"
#include "settings/IniFile.h"
#include "ui_TForm1.h"

namespace {

const QString kVolumeSection = QStringLiteral("Volume");
const QString kVolumeKey = QStringLiteral("sgauge2.Progress");
constexpr int kVolumeDefault = 2;
const QString kBalanceSection = QStringLiteral("Balans");
const QString kBalanceKey = QStringLiteral("strackbar1.position");
// Without a saved balance both channels play: the centre, not the right end of the slider.
constexpr int kBalanceDefault = 0;
const QString kEqualizerSection = QStringLiteral("EQLayzer");
const QString kDrawingKey = QStringLiteral("sRadioGroup1.ItemIndex");
constexpr int kDrawingDefault = 5;
constexpr int kBandDefault = 15;
const QString kSwitchSection = QStringLiteral("EQSet");

// The keys of the equaliser bands sTrackBar10 … sTrackBar19, in that order.
const std::array<QString, 10> kBandKeys = {
    QStringLiteral("strackbar3.position"),  QStringLiteral("strackbar5.position"),
    QStringLiteral("strackbar4.position"),  QStringLiteral("strackbar7.position"),
    QStringLiteral("strackbar6.position"),  QStringLiteral("strackbar9.position"),
    QStringLiteral("strackbar8.position"),  QStringLiteral("strackbar10.position"),
    QStringLiteral("strackbar11.position"), QStringLiteral("strackbar12.position"),
};

std::array<QSlider*, 10> bandSliders(const Ui::TForm1& ui) {
  return {ui.sTrackBar10, ui.sTrackBar11, ui.sTrackBar12, ui.sTrackBar13, ui.sTrackBar14,
          ui.sTrackBar15, ui.sTrackBar16, ui.sTrackBar17, ui.sTrackBar18, ui.sTrackBar19};
}

struct Switch {
  QCheckBox* box;
  QString key;
};

// The equaliser's "connect", then the three playlist options, in load and save order.
std::array<Switch, 4> switches(const Ui::TForm1& ui) {
  return {Switch{ui.sCheckBox8, QStringLiteral("scheckbox8.Checked")},
          Switch{ui.sCheckBox5, QStringLiteral("scheckbox5.Checked")},
          Switch{ui.sCheckBox6, QStringLiteral("scheckbox6.Checked")},
          Switch{ui.CheckBox1, QStringLiteral("checkbox1.Checked")}};
}

}  // namespace

void TForm1::LoadSettings() {
  IniFile& ini = *ConfigIni;
  // Each control limits the value to its own range. Checking "connect" runs its handler,
  // which puts the bands just read on the open stream; the drawing is chosen last.
  ui->sGauge2->setProgress(ini.ReadInteger(kVolumeSection, kVolumeKey, kVolumeDefault));
  ui->sTrackBar1->setValue(ini.ReadInteger(kBalanceSection, kBalanceKey, kBalanceDefault));
  const std::array<QSlider*, 10> sliders = bandSliders(*ui);
  for (size_t band = 0; band < sliders.size(); ++band) {
    sliders[band]->setValue(ini.ReadInteger(kEqualizerSection, kBandKeys[band], kBandDefault));
  }
  for (const Switch& option : switches(*ui)) option.box->setChecked(ini.ReadBool(kSwitchSection, option.key, false));
  ui->sRadioGroup1->setItemIndex(ini.ReadInteger(kEqualizerSection, kDrawingKey, kDrawingDefault));
  // The track takes the volume and balance now rather than at the first tick, so that an
  // entry started before it (the command line's) sounds at them from its first sample.
  Track->SetVolume(ui->sGauge2->Progress());
  Track->SetBalance(ui->sTrackBar1->value());
}

void TForm1::SaveSettings() {
  if (!ConfigIni) return;
  IniFile& ini = *ConfigIni;
  // One write per key: a failing write ends the save at that key.
  ini.WriteInteger(kVolumeSection, kVolumeKey, ui->sGauge2->Progress());
  ini.WriteInteger(kBalanceSection, kBalanceKey, ui->sTrackBar1->value());
  ini.WriteInteger(kEqualizerSection, kDrawingKey, ui->sRadioGroup1->ItemIndex());
  const std::array<QSlider*, 10> sliders = bandSliders(*ui);
  for (size_t band = 0; band < sliders.size(); ++band) {
    ini.WriteInteger(kEqualizerSection, kBandKeys[band], sliders[band]->value());
  }
  for (const Switch& option : switches(*ui)) ini.WriteBool(kSwitchSection, option.key, option.box->isChecked());
}
