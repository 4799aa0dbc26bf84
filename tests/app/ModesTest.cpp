// The window menu's page commands, the tray menu's transport items and hiding on a desktop
// without a tray (Qt's offscreen platform has none).
#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <QTimer>

#include "app/TForm1.h"
#include "playlist/Player.h"
#include "playlist/Playlist.h"
#include "tests/audio/support/AudioFixtures.h"
#include "tests/playlist/StartedWindow.h"
#include "tests/support/TestFiles.h"
#include "ui/TrayIcon.h"
#include "ui_TForm1.h"

namespace {

const QSize kCompact(377, 153);
const QSize kExpanded(377, 369);
const QSize kLargeDrawing(1033, 369);

class ModesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form.FormCreate();
    // The test presses the buttons itself; autoplay and the tick would act behind its back.
    form.Timer1->stop();
    form.Timer4->stop();
    form.show();
  }

  TempFolder folder;
  TForm1 form{folder.path()};
  const WindowMenus& menus = form.menus();
};

TEST_F(ModesTest, PageCommandsOpenThePageControlOnTheirPage) {
  const std::pair<QAction*, int> commands[] = {
      {menus.seting1, 1}, {menus.OpenFiles1, 0}, {menus.SettingEQ1, 2}, {menus.Grafik1, 3}};
  for (const auto& [command, page] : commands) {
    SCOPED_TRACE(command->objectName().toStdString());
    form.ui->sBitBtn1->click();  // "mini"
    ASSERT_EQ(form.size(), kCompact);
    command->trigger();
    EXPECT_TRUE(form.ui->sPageControl1->isVisible());
    EXPECT_EQ(form.ui->sPageControl1->currentIndex(), page);
    EXPECT_EQ(form.size(), kExpanded);
  }
}

TEST_F(ModesTest, ExpandingKeepsThePageThatWasActive) {
  menus.rashirit1->trigger();
  EXPECT_EQ(form.ui->sPageControl1->currentIndex(), 3) << "Graph EQ is the page at start";
  EXPECT_EQ(form.size(), kExpanded);

  menus.SettingEQ1->trigger();
  form.ui->sBitBtn1->click();
  menus.rashirit1->trigger();
  EXPECT_EQ(form.ui->sPageControl1->currentIndex(), 2);

  form.ui->sBitBtn4->click();  // "max"
  menus.OpenFiles1->trigger();
  EXPECT_EQ(form.size(), kLargeDrawing) << "the large drawing panel stays";
}

TEST_F(ModesTest, WithoutATrayMinimisingKeepsTheWindowReachable) {
  ASSERT_FALSE(TrayIcon::isTrayAvailable());
  menus.Grafik1->trigger();
  menus.svernut1->trigger();
  EXPECT_TRUE(form.isMinimized());
  EXPECT_FALSE(form.isHidden()) << "a hidden window could not be brought back without a tray";

  menus.maximaze1->trigger();
  EXPECT_FALSE(form.isMinimized());
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.size(), kExpanded);
}

TEST_F(ModesTest, TrayItemsPressTheButtonsWhileHidden) {
  for (const char* name : {"one.wav", "two.wav"}) {
    form.playlist().append(QString::fromStdString(fixtures::writeSineWav(name, 44100, 2, 440.0, 0.5)));
  }
  form.hide();
  const std::pair<QAction*, QAbstractButton*> items[] = {
      {menus.play1, form.ui->BitBtn2}, {menus.pause1, form.ui->BitBtn3}, {menus.stop1, form.ui->BitBtn4},
      {menus.N1, form.ui->sBitBtn2},   {menus.N2, form.ui->sBitBtn3},
  };
  for (const auto& [item, button] : items) {
    SCOPED_TRACE(item->objectName().toStdString());
    int presses = 0;
    const QMetaObject::Connection counting = QObject::connect(button, &QAbstractButton::clicked, [&] { ++presses; });
    item->trigger();
    QObject::disconnect(counting);
    EXPECT_EQ(presses, 1);
  }
  menus.N1->trigger();
  finishStart(form);
  EXPECT_EQ(form.player().CurrentIndex(), 1);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("two.wav"));
  EXPECT_TRUE(form.isHidden());
}

}  // namespace
