// Hiding to a real tray (trayer on a private X server) and coming back.
#include <gtest/gtest.h>

#include <QAction>
#include <QTabWidget>
#include <QTimer>

#include "app/TForm1.h"
#include "tests/app/StartedWindow.h"
#include "tests/support/TestFiles.h"
#include "tests/ui/MprisPrivateBus.h"
#include "tests/ui/TrayTestHost.h"
#include "ui/TrayIcon.h"

namespace {

const PrivateXServer xServer;
const MprisPrivateBus privateBus;

class ModesX11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(xServer.started());
    ASSERT_TRUE(host.start());
    form = std::make_unique<TForm1>(folder.path());
    form->FormCreate();
    timerOf(*form, "Timer4").stop();
    form->show();
    ASSERT_TRUE(processEventsUntil([&] { return form->isVisible() && trayIconEmbedded(); }));
  }
  void TearDown() override { form.reset(); }

  TrayHost host;
  TempFolder folder;
  std::unique_ptr<TForm1> form;
};

TEST_F(ModesX11Test, HidingKeepsTheLayoutAndPlaybackRunning) {
  part<QAction>(*form, "SettingEQ1").trigger();
  const QSize expanded = form->size();

  part<QAction>(*form, "svernut1").trigger();
  EXPECT_TRUE(form->isHidden());
  EXPECT_FALSE(form->isMinimized());
  EXPECT_TRUE(trayIconEmbedded()) << "the icon stays to restore from";
  EXPECT_TRUE(timerOf(*form, "Timer1").isActive());
  EXPECT_TRUE(timerOf(*form, "Timer3").isActive());

  part<QAction>(*form, "maximaze1").trigger();
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(part<QTabWidget>(*form, "sPageControl1").isVisible());
  EXPECT_EQ(part<QTabWidget>(*form, "sPageControl1").currentIndex(), 2);
  EXPECT_EQ(form->size(), expanded);
}

TEST_F(ModesX11Test, RestoringShowsTheWindowWhateverItsState) {
  part<QAction>(*form, "maximaze1").trigger();
  EXPECT_TRUE(form->isVisible()) << "an already visible window stays";
  form->showMinimized();
  part<QAction>(*form, "maximaze1").trigger();
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(form->isMinimized());
}

}  // namespace
