// The window menu's page commands, the tray menu's transport items and hiding on a desktop
// without a tray (Qt's offscreen platform has none).
#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "app/TForm1.h"
#include "tests/app/StartedWindow.h"
#include "tests/audio/support/AudioFixtures.h"
#include "tests/support/TestFiles.h"
#include "ui/TrayIcon.h"

namespace {

const QSize kCompact(377, 153);
const QSize kExpanded(377, 369);
const QSize kLargeDrawing(1033, 369);

class ModesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form.FormCreate();
    // The test presses the buttons itself; autoplay and the tick would act behind its back.
    timerOf(form, "Timer1").stop();
    timerOf(form, "Timer4").stop();
    form.show();
  }

  QAction& item(const char* name) { return part<QAction>(form, name); }
  QWidget& widget(const char* name) { return part<QWidget>(form, name); }
  QTabWidget& pages() { return part<QTabWidget>(form, "sPageControl1"); }
  void press(const char* button) { part<QAbstractButton>(form, button).click(); }

  TempFolder folder;
  TForm1 form{folder.path()};
};

TEST_F(ModesTest, PageCommandsOpenThePageControlOnTheirPage) {
  const std::pair<const char*, int> commands[] = {
      {"seting1", 1}, {"OpenFiles1", 0}, {"SettingEQ1", 2}, {"Grafik1", 3}};
  for (const auto& [command, page] : commands) {
    SCOPED_TRACE(command);
    press("sBitBtn1");  // "mini"
    ASSERT_EQ(form.size(), kCompact);
    item(command).trigger();
    EXPECT_TRUE(pages().isVisible());
    EXPECT_EQ(pages().currentIndex(), page);
    EXPECT_EQ(form.size(), kExpanded);
  }
}

TEST_F(ModesTest, ExpandingKeepsThePageThatWasActive) {
  item("rashirit1").trigger();
  EXPECT_EQ(pages().currentIndex(), 3) << "Graph EQ is the page at start";
  EXPECT_EQ(form.size(), kExpanded);

  item("SettingEQ1").trigger();
  press("sBitBtn1");
  item("rashirit1").trigger();
  EXPECT_EQ(pages().currentIndex(), 2);

  press("sBitBtn4");  // "max"
  item("OpenFiles1").trigger();
  EXPECT_EQ(form.size(), kLargeDrawing) << "the large drawing panel stays";
}

TEST_F(ModesTest, WithoutATrayMinimisingKeepsTheWindowReachable) {
  ASSERT_FALSE(TrayIcon::isTrayAvailable());
  item("Grafik1").trigger();
  item("svernut1").trigger();
  EXPECT_TRUE(form.isMinimized());
  EXPECT_FALSE(form.isHidden()) << "a hidden window could not be brought back without a tray";

  item("maximaze1").trigger();
  EXPECT_FALSE(form.isMinimized());
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.size(), kExpanded);
}

TEST_F(ModesTest, TrayItemsPressTheButtonsWhileHidden) {
  for (const char* name : {"one.wav", "two.wav"}) {
    playlistOf(form).append(QString::fromStdString(fixtures::writeSineWav(name, 44100, 2, 440.0, 0.5)));
  }
  form.hide();
  const std::pair<const char*, const char*> items[] = {
      {"play1", "BitBtn2"}, {"pause1", "BitBtn3"}, {"stop1", "BitBtn4"}, {"N1", "sBitBtn2"}, {"N2", "sBitBtn3"},
  };
  for (const auto& [name, button] : items) {
    SCOPED_TRACE(name);
    int presses = 0;
    const QMetaObject::Connection counting =
        QObject::connect(&part<QAbstractButton>(form, button), &QAbstractButton::clicked, [&] { ++presses; });
    item(name).trigger();
    QObject::disconnect(counting);
    EXPECT_EQ(presses, 1);
  }
  item("N1").trigger();
  finishStart(form);
  EXPECT_EQ(playerOf(form).CurrentIndex(), 1);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("two.wav"));
  EXPECT_TRUE(form.isHidden());
}

}  // namespace
