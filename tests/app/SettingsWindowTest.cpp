// Config.ini as the window shows it at start and writes it back at exit: which control each
// value reaches, and the order of the saves at shutdown. The values themselves, their
// defaults, ranges and bytes, are settings/PlayerSettingsTest's business.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QSlider>

#include "app/TForm1.h"
#include "settings/IniFile.h"
#include "settings/PlayerSettings.h"
#include "tests/app/StartedWindow.h"
#include "tests/settings/PrintPlayerSettings.h"
#include "tests/settings/ReadOnlyFile.h"
#include "tests/support/TestFiles.h"
#include "ui/TRadioGroup.h"
#include "ui/TsGauge.h"

namespace {

PlayerSettings shownBy(TForm1& form) {
  const auto slider = [&form](const char* name) { return part<QSlider>(form, name).value(); };
  const auto checked = [&form](const char* name) { return part<QCheckBox>(form, name).isChecked(); };
  return {part<TsGauge>(form, "sGauge2").Progress(),
          slider("sTrackBar1"),
          part<TRadioGroup>(form, "sRadioGroup1").ItemIndex(),
          {slider("sTrackBar10"), slider("sTrackBar11"), slider("sTrackBar12"), slider("sTrackBar13"),
           slider("sTrackBar14"), slider("sTrackBar15"), slider("sTrackBar16"), slider("sTrackBar17"),
           slider("sTrackBar18"), slider("sTrackBar19")},
          checked("sCheckBox8"),
          checked("sCheckBox5"),
          checked("sCheckBox6"),
          checked("CheckBox1")};
}

// In one row or the other any two bands, and any two switches, differ, so that no two controls
// can swap values unseen.
class SettingsWindow : public ::testing::TestWithParam<PlayerSettings> {};

TEST_P(SettingsWindow, EachControlShowsItsValueAndExitSavesWhatTheControlsShow) {
  TempFolder folder;
  IniFile file(folder.file("Config.ini"));
  GetParam().save(file);
  auto form = startWindow(folder.path());
  EXPECT_EQ(shownBy(*form), GetParam());
  form->FormDestroy();
  EXPECT_EQ(PlayerSettings::load(file), GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsWindow,
    ::testing::Values(PlayerSettings{9, -3, 1, {0, 1, 2, 3, 4, 5, 6, 7, 6, 5}, true, true, false, false},
                      PlayerSettings{0, 4, 6, {5, 6, 7, 6, 5, 4, 3, 2, 1, 0}, true, false, true, false}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

TEST(SettingsWindowShutdown, TheSettingsAreSavedAfterThePlaylistAndAFailedSaveRaisesTheWriteError) {
  TempFolder folder;
  const QByteArray saved = "[Volume]\nsgauge2.Progress=3\n";
  ReadOnlyFile settings(folder, "Config.ini", saved);
  if (!settings.made()) GTEST_SKIP() << "no read-only files here";
  auto form = startWindow(folder.path());
  part<TsGauge>(*form, "sGauge2").setProgress(9);
  EXPECT_THROW(form->FormDestroy(), IniWriteError);
  EXPECT_EQ(folder.read("Config.ini"), saved);
  EXPECT_TRUE(QFile::exists(folder.file("PLIST.LST")));
}

}  // namespace
