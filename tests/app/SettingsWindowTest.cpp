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
#include "tests/playlist/StartedWindow.h"
#include "tests/settings/PrintPlayerSettings.h"
#include "tests/settings/ReadOnlyFile.h"
#include "tests/support/TestFiles.h"
#include "ui_TForm1.h"

namespace {

PlayerSettings shownBy(TForm1& form) {
  const Ui::TForm1& ui = *form.ui;
  return {ui.sGauge2->Progress(),
          ui.sTrackBar1->value(),
          ui.sRadioGroup1->ItemIndex(),
          {ui.sTrackBar10->value(), ui.sTrackBar11->value(), ui.sTrackBar12->value(), ui.sTrackBar13->value(),
           ui.sTrackBar14->value(), ui.sTrackBar15->value(), ui.sTrackBar16->value(), ui.sTrackBar17->value(),
           ui.sTrackBar18->value(), ui.sTrackBar19->value()},
          ui.sCheckBox8->isChecked(),
          ui.sCheckBox5->isChecked(),
          ui.sCheckBox6->isChecked(),
          ui.CheckBox1->isChecked()};
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
  form->ui->sGauge2->setProgress(9);
  EXPECT_THROW(form->FormDestroy(), IniWriteError);
  EXPECT_EQ(folder.read("Config.ini"), saved);
  EXPECT_TRUE(QFile::exists(folder.file("PLIST.LST")));
}

}  // namespace
