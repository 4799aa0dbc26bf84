// The program's icon, and the tray where the desktop has none (Qt's offscreen platform).
#include <gtest/gtest.h>

#include <QImage>
#include <QMenu>
#include <QSystemTrayIcon>

#include "ui/TrayIcon.h"

namespace {

TEST(TrayIconTest, TheIconIsOne64PixelImageWithTransparency) {
  const QIcon icon = TrayIcon::applicationIcon();
  ASSERT_EQ(icon.availableSizes(), QList<QSize>{QSize(64, 64)});
  const QImage image = icon.pixmap(QSize(64, 64)).toImage();
  ASSERT_EQ(image.size(), QSize(64, 64));
  EXPECT_TRUE(image.hasAlphaChannel());
  EXPECT_EQ(image.depth(), 32);
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "rounded corners are transparent";
  EXPECT_EQ(qAlpha(image.pixel(32, 32)), 255);
}

TEST(TrayIconTest, WithoutATrayTheIconWaitsQuietly) {
  QMenu menu;
  TrayIcon icon(TrayIcon::applicationIcon(), &menu);
  EXPECT_FALSE(TrayIcon::isTrayAvailable());
  EXPECT_TRUE(icon.systemTrayIcon()->isVisible()) << "it shows as soon as a tray appears";
  EXPECT_EQ(icon.systemTrayIcon()->contextMenu(), &menu);
  EXPECT_TRUE(icon.systemTrayIcon()->toolTip().isEmpty());
}

}  // namespace
