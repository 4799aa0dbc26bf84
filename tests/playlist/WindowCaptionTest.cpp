// The caption the window system is given: an entry of any length (a playlist line may hold
// megabytes) must not reach it whole.

#include <gtest/gtest.h>

#include "playlist/WindowCaption.h"

namespace {

TEST(WindowCaption, LongNamesKeepTheirStartAndEnd) {
  const QString name = QStringLiteral("start") + QString(20 * 1024 * 1024, u'm') + QStringLiteral("end.ogg");
  const QString caption = shortenedCaption(name);
  EXPECT_EQ(caption.size(), kMaxCaptionCharacters);
  EXPECT_TRUE(caption.startsWith(QStringLiteral("startmmm")));
  EXPECT_TRUE(caption.endsWith(QStringLiteral("mmmend.ogg")));
  EXPECT_EQ(caption.count(QChar(0x2026)), 1);
}

TEST(WindowCaption, NoCharacterIsCutInHalf) {
  // Characters outside the basic plane take two units; every cut position is tried.
  const QString wide = QString::fromUcs4(U"\U0001F3B5");
  for (int offset = 0; offset < 2; ++offset) {
    QString name = QString(offset, u'a');
    while (name.size() < 3 * kMaxCaptionCharacters) name += wide;
    const QString caption = shortenedCaption(name);
    EXPECT_LE(caption.size(), kMaxCaptionCharacters);
    for (qsizetype i = 0; i < caption.size(); ++i) {
      if (caption.at(i).isHighSurrogate()) {
        ASSERT_LT(i + 1, caption.size());
        EXPECT_TRUE(caption.at(i + 1).isLowSurrogate()) << offset << " " << i;
        ++i;
      } else {
        EXPECT_FALSE(caption.at(i).isLowSurrogate()) << offset << " " << i;
      }
    }
  }
}

}  // namespace
