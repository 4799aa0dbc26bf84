// Hiding to a real tray (trayer on a private X server) and coming back.
#include <gtest/gtest.h>

#include <QAction>
#include <QTimer>

#include "app/TForm1.h"
#include "tests/support/TestFiles.h"
#include "tests/ui/MprisPrivateBus.h"
#include "tests/ui/TrayTestHost.h"
#include "ui/TrayIcon.h"
#include "ui_TForm1.h"

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
    form->Timer4->stop();
    form->show();
    ASSERT_TRUE(processEventsUntil([&] { return form->isVisible() && trayIconEmbedded(); }));
  }
  void TearDown() override { form.reset(); }

  TrayHost host;
  TempFolder folder;
  std::unique_ptr<TForm1> form;
};

TEST_F(ModesX11Test, HidingKeepsTheLayoutAndPlaybackRunning) {
  form->menus().SettingEQ1->trigger();
  const QSize expanded = form->size();

  form->menus().svernut1->trigger();
  EXPECT_TRUE(form->isHidden());
  EXPECT_FALSE(form->isMinimized());
  EXPECT_TRUE(trayIconEmbedded()) << "the icon stays to restore from";
  EXPECT_TRUE(form->Timer1->isActive());
  EXPECT_TRUE(form->Timer3->isActive());

  form->menus().maximaze1->trigger();
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(form->ui->sPageControl1->isVisible());
  EXPECT_EQ(form->ui->sPageControl1->currentIndex(), 2);
  EXPECT_EQ(form->size(), expanded);
}

TEST_F(ModesX11Test, RestoringShowsTheWindowWhateverItsState) {
  form->menus().maximaze1->trigger();
  EXPECT_TRUE(form->isVisible()) << "an already visible window stays";
  form->showMinimized();
  form->menus().maximaze1->trigger();
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(form->isMinimized());
}

}  // namespace
