#include "settings/PlayerSettings.h"

#include <QString>
#include <algorithm>

#include "settings/IniFile.h"

namespace {

// Several keys carry the names of other controls than the ones they hold; the names are kept
// because existing files use them.
const QString kVolumeSection = QStringLiteral("Volume");
const QString kVolumeKey = QStringLiteral("sgauge2.Progress");
const QString kBalanceSection = QStringLiteral("Balans");
const QString kBalanceKey = QStringLiteral("strackbar1.position");
const QString kEqualizerSection = QStringLiteral("EQLayzer");
const QString kDrawingKey = QStringLiteral("sRadioGroup1.ItemIndex");
const QString kSwitchSection = QStringLiteral("EQSet");

// The keys of the bands from 80 Hz to 14 kHz, in that order.
const std::array<QString, PlayerSettings::kBandCount> kBandKeys = {
    QStringLiteral("strackbar3.position"),  QStringLiteral("strackbar5.position"),
    QStringLiteral("strackbar4.position"),  QStringLiteral("strackbar7.position"),
    QStringLiteral("strackbar6.position"),  QStringLiteral("strackbar9.position"),
    QStringLiteral("strackbar8.position"),  QStringLiteral("strackbar10.position"),
    QStringLiteral("strackbar11.position"), QStringLiteral("strackbar12.position"),
};

// The equaliser's "connect", then the three end-of-list rules, in file order.
struct Switch {
  bool PlayerSettings::*value;
  QString key;
};
const std::array<Switch, 4> kSwitches = {
    Switch{&PlayerSettings::equalizerConnected, QStringLiteral("scheckbox8.Checked")},
    Switch{&PlayerSettings::exitAtListEnd, QStringLiteral("scheckbox5.Checked")},
    Switch{&PlayerSettings::randomEntry, QStringLiteral("scheckbox6.Checked")},
    Switch{&PlayerSettings::repeatList, QStringLiteral("checkbox1.Checked")},
};

// The defaults on reading. Without a saved balance both channels play: the centre, not the
// right end of the slider. The bands' default lies above their range and reads as its top.
constexpr int32_t kVolumeDefault = 2;
constexpr int32_t kBalanceDefault = 0;
constexpr int32_t kDrawingDefault = 5;
constexpr int32_t kBandDefault = 15;

// The ranges of the controls that show the values.
struct Range {
  int32_t lowest;
  int32_t highest;
  int32_t limit(int32_t value) const { return std::clamp(value, lowest, highest); }
};
constexpr Range kVolumeRange{0, 10};
constexpr Range kBalanceRange{-5, 5};
constexpr Range kDrawingRange{-1, 6};
constexpr Range kBandRange{0, 7};

}  // namespace

PlayerSettings PlayerSettings::load(IniFile& file) {
  PlayerSettings settings;
  settings.volume = kVolumeRange.limit(file.ReadInteger(kVolumeSection, kVolumeKey, kVolumeDefault));
  settings.balance = kBalanceRange.limit(file.ReadInteger(kBalanceSection, kBalanceKey, kBalanceDefault));
  settings.drawing = kDrawingRange.limit(file.ReadInteger(kEqualizerSection, kDrawingKey, kDrawingDefault));
  for (size_t band = 0; band < kBandCount; ++band) {
    settings.bands[band] = kBandRange.limit(file.ReadInteger(kEqualizerSection, kBandKeys[band], kBandDefault));
  }
  for (const Switch& option : kSwitches) settings.*option.value = file.ReadBool(kSwitchSection, option.key, false);
  return settings;
}

void PlayerSettings::save(IniFile& file) const {
  file.WriteInteger(kVolumeSection, kVolumeKey, volume);
  file.WriteInteger(kBalanceSection, kBalanceKey, balance);
  file.WriteInteger(kEqualizerSection, kDrawingKey, drawing);
  for (size_t band = 0; band < kBandCount; ++band) file.WriteInteger(kEqualizerSection, kBandKeys[band], bands[band]);
  for (const Switch& option : kSwitches) file.WriteBool(kSwitchSection, option.key, this->*option.value);
}
