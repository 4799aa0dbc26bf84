// The tray icon on a real X server with a real tray host (trayer, XEmbed).
#include <gtest/gtest.h>

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

#include "tests/ui/MprisPrivateBus.h"
#include "tests/ui/TrayTestHost.h"
#include "ui/TrayIcon.h"

namespace {

const PrivateXServer xServer;
// Keeps Qt from looking for a desktop bus of the private X server.
const MprisPrivateBus privateBus;

void xdotool(const QStringList& arguments) { QProcess::execute(QStringLiteral("xdotool"), arguments); }

class TrayIconX11Test : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(xServer.started()); }

  QMenu menu;
  TrayHost host;
};

TEST_F(TrayIconX11Test, TheIconFollowsTheTrayHostThroughARestart) {
  menu.addAction(QStringLiteral("play"));
  TrayIcon icon(TrayIcon::applicationIcon(), &menu);
  EXPECT_FALSE(TrayIcon::isTrayAvailable());

  ASSERT_TRUE(host.start());
  EXPECT_TRUE(processEventsUntil(trayIconEmbedded)) << "the icon did not appear when the tray started";

  ASSERT_TRUE(host.stop());
  ASSERT_TRUE(host.start());
  EXPECT_TRUE(processEventsUntil(trayIconEmbedded)) << "the icon did not come back after the tray restarted";
  EXPECT_TRUE(icon.systemTrayIcon()->toolTip().isEmpty());
}

TEST_F(TrayIconX11Test, OnlyTheRightButtonOpensTheMenuAtThePointer) {
  menu.addAction(QStringLiteral("play"));
  int openings = 0;
  QObject::connect(&menu, &QMenu::aboutToShow, [&] { ++openings; });
  ASSERT_TRUE(host.start());
  TrayIcon icon(TrayIcon::applicationIcon(), &menu);
  ASSERT_TRUE(processEventsUntil(trayIconEmbedded));
  const QString window = QString::number(trayIconWindow()->winId());

  xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QStringLiteral("6"), QStringLiteral("6"),
           QStringLiteral("click"), QStringLiteral("1"), QStringLiteral("click"), QStringLiteral("--repeat"),
           QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("mousedown"), QStringLiteral("3")});
  // The X server delivers the clicks before the right press, so when the menu opens, the
  // left clicks have been handled.
  ASSERT_TRUE(processEventsUntil([&] { return menu.isVisible(); }));
  EXPECT_EQ(openings, 1);
  EXPECT_LE((menu.pos() - QCursor::pos()).manhattanLength(), 2);
  xdotool({QStringLiteral("mouseup"), QStringLiteral("3")});
  menu.close();
}

}  // namespace
