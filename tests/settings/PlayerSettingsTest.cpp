// Config.ini's seventeen values: their defaults and ranges, the odd key names, the exact bytes
// that a save writes, and a save that cannot write.

#include "settings/PlayerSettings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <functional>

#include "settings/IniFile.h"
#include "tests/settings/PrintPlayerSettings.h"
#include "tests/settings/ReadOnlyFile.h"
#include "tests/support/TestFiles.h"

namespace {

PlayerSettings loadFrom(const TempFolder& folder) {
  IniFile file(folder.file("Config.ini"));
  return PlayerSettings::load(file);
}

void saveTo(const TempFolder& folder, const PlayerSettings& settings) {
  IniFile file(folder.file("Config.ini"));
  settings.save(file);
}

TEST(PlayerSettings, WithoutAFileTheDefaultsApplyAndASaveWritesAllSeventeenKeys) {
  TempFolder folder;
  const PlayerSettings loaded = loadFrom(folder);
  EXPECT_EQ(loaded, (PlayerSettings{2, 0, 5, {7, 7, 7, 7, 7, 7, 7, 7, 7, 7}, false, false, false, false}));
  saveTo(folder, loaded);
  EXPECT_EQ(folder.read("Config.ini"),
            "[Volume]\nsgauge2.Progress=2\n"
            "[Balans]\nstrackbar1.position=0\n"
            "[EQLayzer]\nsRadioGroup1.ItemIndex=5\n"
            "strackbar3.position=7\nstrackbar5.position=7\nstrackbar4.position=7\n"
            "strackbar7.position=7\nstrackbar6.position=7\nstrackbar9.position=7\n"
            "strackbar8.position=7\nstrackbar10.position=7\nstrackbar11.position=7\n"
            "strackbar12.position=7\n"
            "[EQSet]\nscheckbox8.Checked=0\nscheckbox5.Checked=0\nscheckbox6.Checked=0\n"
            "checkbox1.Checked=0\n");
}

TEST(PlayerSettings, ASaveFollowedByALoadRestoresEveryValue) {
  TempFolder folder;
  const PlayerSettings chosen{9, -3, 1, {0, 1, 2, 3, 4, 5, 6, 7, 6, 5}, true, true, false, true};
  saveTo(folder, chosen);
  EXPECT_EQ(loadFrom(folder), chosen);
  // A second round changes nothing, not even the layout of the file.
  const QByteArray once = folder.read("Config.ini");
  saveTo(folder, loadFrom(folder));
  EXPECT_EQ(folder.read("Config.ini"), once);
}

struct StoredCase {
  const char* name;
  QByteArray file;
  std::function<bool(const PlayerSettings&)> holds;
};

class SettingsReading : public ::testing::TestWithParam<StoredCase> {};

TEST_P(SettingsReading, EachValueIsLimitedToTheRangeOfItsControl) {
  TempFolder folder;
  folder.write("Config.ini", GetParam().file);
  const PlayerSettings loaded = loadFrom(folder);
  EXPECT_TRUE(GetParam().holds(loaded)) << testing::PrintToString(loaded);
}

using S = const PlayerSettings&;

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsReading,
    ::testing::Values(
        StoredCase{"HexVolume", "[Volume]\nsgauge2.Progress=0x0A\n", [](S s) { return s.volume == 10; }},
        StoredCase{"WordVolumeGivesDefault", "[Volume]\nsgauge2.Progress=loud\n", [](S s) { return s.volume == 2; }},
        StoredCase{"VolumeLimitedAbove", "[Volume]\nsgauge2.Progress=50\n", [](S s) { return s.volume == 10; }},
        StoredCase{"BalanceLimited", "[Balans]\nstrackbar1.position=-9\n", [](S s) { return s.balance == -5; }},
        StoredCase{"SavedRightBalanceStaysRight", "[Balans]\nstrackbar1.position=5\n",
                   [](S s) { return s.balance == 5; }},
        StoredCase{"WordBalanceIsCentre", "[Balans]\nstrackbar1.position=right\n", [](S s) { return s.balance == 0; }},
        StoredCase{"BandsFollowTheirOddKeys", "[EQLayzer]\nstrackbar10.position=3\nstrackbar11.position=6\n",
                   [](S s) { return s.bands == std::array<int32_t, 10>{7, 7, 7, 7, 7, 7, 7, 3, 6, 7}; }},
        StoredCase{"BandLimitedBelow", "[EQLayzer]\nstrackbar3.position=-4\n", [](S s) { return s.bands[0] == 0; }},
        StoredCase{"SwitchTwoIsTrue", "[EQSet]\nscheckbox5.Checked=2\n", [](S s) { return s.exitAtListEnd; }},
        StoredCase{"SwitchYesIsFalse", "[EQSet]\ncheckbox1.Checked=yes\n", [](S s) { return !s.repeatList; }},
        StoredCase{"SwitchesTakeTheirOwnKeys", "[EQSet]\nscheckbox8.Checked=1\nscheckbox6.Checked=1\n",
                   [](S s) { return s.equalizerConnected && !s.exitAtListEnd && s.randomEntry && !s.repeatList; }},
        StoredCase{"DrawingNineIsTheLast", "[EQLayzer]\nsRadioGroup1.ItemIndex=9\n", [](S s) { return s.drawing == 6; }},
        StoredCase{"DrawingBelowIsNone", "[EQLayzer]\nsRadioGroup1.ItemIndex=-3\n",
                   [](S s) { return s.drawing == -1; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlayerSettings, AFailedSaveRaisesTheWriteErrorAndWritesNothing) {
  TempFolder folder;
  const QByteArray saved = "[Volume]\nsgauge2.Progress=3\n";
  ReadOnlyFile settings(folder, "Config.ini", saved);
  if (!settings.made()) GTEST_SKIP() << "no read-only files here";
  PlayerSettings changed = loadFrom(folder);
  changed.volume = 9;
  try {
    saveTo(folder, changed);
    ADD_FAILURE() << "no error raised";
  } catch (const IniWriteError& error) {
    EXPECT_EQ(QString::fromUtf8(error.what()), "Unable to write to " + settings.path());
  }
  EXPECT_EQ(folder.read("Config.ini"), saved);
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Config.ini"});
}

}  // namespace
