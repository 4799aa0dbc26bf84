// Config.ini as the window reads it at start and writes it at exit.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QSlider>
#include <memory>

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

std::array<QSlider*, 10> bands(TForm1& form) {
  Ui::TForm1& ui = *form.ui;
  return {ui.sTrackBar10, ui.sTrackBar11, ui.sTrackBar12, ui.sTrackBar13, ui.sTrackBar14,
          ui.sTrackBar15, ui.sTrackBar16, ui.sTrackBar17, ui.sTrackBar18, ui.sTrackBar19};
}

Values valuesOf(TForm1& form) {
  Ui::TForm1& ui = *form.ui;
  Values v{ui.sGauge2->Progress(), ui.sTrackBar1->value(), ui.sRadioGroup1->ItemIndex(), {},
           ui.sCheckBox8->isChecked(), ui.sCheckBox5->isChecked(), ui.sCheckBox6->isChecked(),
           ui.CheckBox1->isChecked()};
  for (size_t i = 0; i < 10; ++i) v.bands[i] = bands(form)[i]->value();
  return v;
}

void setValues(TForm1& form, const Values& v) {
  Ui::TForm1& ui = *form.ui;
  ui.sGauge2->setProgress(v.volume);
  ui.sTrackBar1->setValue(v.balance);
  ui.sRadioGroup1->setItemIndex(v.drawing);
  for (size_t i = 0; i < 10; ++i) bands(form)[i]->setValue(v.bands[i]);
  ui.sCheckBox8->setChecked(v.connect);
  ui.sCheckBox5->setChecked(v.exitAtEnd);
  ui.sCheckBox6->setChecked(v.random);
  ui.CheckBox1->setChecked(v.repeat);
}

std::ostream& operator<<(std::ostream& out, const Values& v) {
  out << "volume " << v.volume << " balance " << v.balance << " drawing " << v.drawing << " bands";
  for (int b : v.bands) out << ' ' << b;
  return out << " switches " << v.connect << v.exitAtEnd << v.random << v.repeat;
}

TEST(SettingsWindow, WithoutAFileTheDefaultsApplyAndExitWritesAllSeventeenKeys) {
  TempFolder folder;
  {
    auto form = startWindow(folder.path());
    EXPECT_EQ(valuesOf(*form), (Values{2, 0, 5, {7, 7, 7, 7, 7, 7, 7, 7, 7, 7}, false, false, false, false}));
    form->FormDestroy();
  }
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

TEST(SettingsWindow, ASaveFollowedByALoadRestoresEveryValue) {
  TempFolder folder;
  const Values chosen{9, -3, 1, {0, 1, 2, 3, 4, 5, 6, 7, 6, 5}, true, true, false, true};
  {
    auto form = startWindow(folder.path());
    setValues(*form, chosen);
    ASSERT_EQ(valuesOf(*form), chosen);
    form->FormDestroy();
  }
  auto form = startWindow(folder.path());
  EXPECT_EQ(valuesOf(*form), chosen);
  form->FormDestroy();
  // A second round changes nothing, not even the layout of the file.
  const QByteArray once = folder.read("Config.ini");
  startWindow(folder.path())->FormDestroy();
  EXPECT_EQ(folder.read("Config.ini"), once);
}

struct StoredCase {
  const char* name;
  QByteArray file;
  std::function<bool(const Values&)> holds;
};

class SettingsReading : public ::testing::TestWithParam<StoredCase> {};

TEST_P(SettingsReading, ControlsTakeTheStoredValueWithinTheirRange) {
  TempFolder folder;
  folder.write("Config.ini", GetParam().file);
  auto form = startWindow(folder.path());
  const Values v = valuesOf(*form);
  EXPECT_TRUE(GetParam().holds(v)) << v;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsReading,
    ::testing::Values(
        StoredCase{"HexVolume", "[Volume]\nsgauge2.Progress=0x0A\n", [](const Values& v) { return v.volume == 10; }},
        StoredCase{"WordVolumeGivesDefault", "[Volume]\nsgauge2.Progress=loud\n",
                   [](const Values& v) { return v.volume == 2; }},
        StoredCase{"VolumeLimitedAbove", "[Volume]\nsgauge2.Progress=50\n", [](const Values& v) { return v.volume == 10; }},
        StoredCase{"BalanceLimited", "[Balans]\nstrackbar1.position=-9\n", [](const Values& v) { return v.balance == -5; }},
        StoredCase{"SavedRightBalanceStaysRight", "[Balans]\nstrackbar1.position=5\n",
                   [](const Values& v) { return v.balance == 5; }},
        StoredCase{"WordBalanceIsCentre", "[Balans]\nstrackbar1.position=right\n",
                   [](const Values& v) { return v.balance == 0; }},
        StoredCase{"BandsFollowTheirOddKeys", "[EQLayzer]\nstrackbar10.position=3\nstrackbar11.position=6\n",
                   [](const Values& v) { return v.bands == std::array<int, 10>{7, 7, 7, 7, 7, 7, 7, 3, 6, 7}; }},
        StoredCase{"SwitchTwoIsTrue", "[EQSet]\nscheckbox5.Checked=2\n", [](const Values& v) { return v.exitAtEnd; }},
        StoredCase{"SwitchYesIsFalse", "[EQSet]\ncheckbox1.Checked=yes\n", [](const Values& v) { return !v.repeat; }},
        StoredCase{"DrawingNineIsTheLast", "[EQLayzer]\nsRadioGroup1.ItemIndex=9\n",
                   [](const Values& v) { return v.drawing == 6; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsWindow, AFailedSaveRaisesTheWriteErrorAndWritesNothing) {
  TempFolder folder;
  const QByteArray saved = "[Volume]\nsgauge2.Progress=3\n";
  ReadOnlyFile settings(folder, "Config.ini", saved);
  if (!settings.made()) GTEST_SKIP() << "no read-only files here";
  auto form = startWindow(folder.path());
  form->ui->sGauge2->setProgress(9);
  try {
    form->SaveSettings();
    ADD_FAILURE() << "no error raised";
  } catch (const IniWriteError& error) {
    EXPECT_EQ(QString::fromUtf8(error.what()), "Unable to write to " + settings.path());
  }
  EXPECT_EQ(folder.read("Config.ini"), saved);
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Config.ini"});
  // At shutdown the playlist is saved first, then the settings fail the same way.
  EXPECT_THROW(form->FormDestroy(), IniWriteError);
  EXPECT_EQ(folder.read("Config.ini"), saved);
  EXPECT_TRUE(QFile::exists(folder.file("PLIST.LST")));
}

}  // namespace
