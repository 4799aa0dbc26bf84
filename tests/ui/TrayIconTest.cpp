// The program's icon.
#include <gtest/gtest.h>

#include <QImage>

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

}  // namespace
