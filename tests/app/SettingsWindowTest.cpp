// Config.ini as the window shows it at start and writes it back at exit: which control each
// key reaches, and the order of the saves at shutdown. The values themselves, their defaults,
// ranges and bytes, are the business of settings/PlayerSettingsTest.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QSlider>

#include "app/TForm1.h"
#include "settings/IniFile.h"
#include "tests/playlist/StartedWindow.h"
#include "tests/settings/ReadOnlyFile.h"
#include "tests/support/TestFiles.h"
#include "ui_TForm1.h"

namespace {

// The seventeen values in the order the file lists them.
struct Values {
  int volume, balance, drawing;
  std::array<int, 10> bands;  // sTrackBar10 … sTrackBar19
  bool connect, exitAtEnd, random, repeat;
  bool operator==(const Values&) const = default;
};

Values valuesOf(TForm1& form) {
  Ui::TForm1& ui = *form.ui;
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

QByteArray fileOf(const Values& v) {
  const auto line = [](const char* key, int value) { return QByteArray(key) + '=' + QByteArray::number(value) + '\n'; };
  const char* bandKeys[] = {"strackbar3.position",  "strackbar5.position",  "strackbar4.position", "strackbar7.position",
                            "strackbar6.position",  "strackbar9.position",  "strackbar8.position", "strackbar10.position",
                            "strackbar11.position", "strackbar12.position"};
  QByteArray file = "[Volume]\n" + line("sgauge2.Progress", v.volume) + "[Balans]\n" +
                    line("strackbar1.position", v.balance) + "[EQLayzer]\n" + line("sRadioGroup1.ItemIndex", v.drawing);
  for (size_t band = 0; band < 10; ++band) file += line(bandKeys[band], v.bands[band]);
  return file + "[EQSet]\n" + line("scheckbox8.Checked", v.connect) + line("scheckbox5.Checked", v.exitAtEnd) +
         line("scheckbox6.Checked", v.random) + line("checkbox1.Checked", v.repeat);
}

std::ostream& operator<<(std::ostream& out, const Values& v) {
  out << "volume " << v.volume << " balance " << v.balance << " drawing " << v.drawing << " bands";
  for (int b : v.bands) out << ' ' << b;
  return out << " switches " << v.connect << v.exitAtEnd << v.random << v.repeat;
}

// Two rows in which any two bands, and any two switches, differ in one row or the other, so
// that no two controls can swap keys unseen.
class SettingsWindow : public ::testing::TestWithParam<Values> {};

TEST_P(SettingsWindow, EachControlShowsItsKeyAndExitWritesBackWhatTheControlsShow) {
  TempFolder folder;
  const QByteArray stored = fileOf(GetParam());
  folder.write("Config.ini", stored);
  auto form = startWindow(folder.path());
  EXPECT_EQ(valuesOf(*form), GetParam());
  form->FormDestroy();
  EXPECT_EQ(folder.read("Config.ini"), stored);
}

INSTANTIATE_TEST_SUITE_P(Rows, SettingsWindow,
                         ::testing::Values(Values{9, -3, 1, {0, 1, 2, 3, 4, 5, 6, 7, 6, 5}, true, true, false, false},
                                           Values{0, 4, 6, {5, 6, 7, 6, 5, 4, 3, 2, 1, 0}, true, false, true, false}),
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
