#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "settings/ByteText.h"

namespace {

struct Decoding {
  const char* name;
  QByteArray bytes;
  std::u16string text;  // what textFromBytes must give
};

class ByteTextDecoding : public ::testing::TestWithParam<Decoding> {};

TEST_P(ByteTextDecoding, DecodesAndEncodesBackExactly) {
  const Decoding& c = GetParam();
  const QString text = textFromBytes(c.bytes);
  EXPECT_EQ(text, QString::fromStdU16String(c.text));
  EXPECT_EQ(bytesFromText(text), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ByteTextDecoding,
    ::testing::Values(
        Decoding{"Empty", QByteArray(), u""},
        Decoding{"Ascii", "C:\\Music\\a.mp3", u"C:\\Music\\a.mp3"},
        Decoding{"Cyrillic", "\xD0\x9E\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0", u"Ошибка"},
        Decoding{"FourByteSequence", "\xF0\x9F\x8E\xB5", u"\U0001F3B5"},
        Decoding{"PairWithLowHalfInEscapeRange", "\xF0\x90\x82\x80", u"\U00010080"},
        Decoding{"Windows1251", "\xCF\xE5\xF1\xED\xFF", u"\xDCCF\xDCE5\xDCF1\xDCED\xDCFF"},
        Decoding{"LoneContinuation", "a\x80z", u"a\xDC80z"},
        Decoding{"Overlong", "\xC0\xAF", u"\xDCC0\xDCAF"},
        Decoding{"EncodedSurrogate", "\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},
        Decoding{"AboveUnicode", "\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},
        Decoding{"TruncatedAtEnd", "ok\xE2\x82", u"ok\xDCE2\xDC82"},
        Decoding{"TruncatedThenAscii", "\xE2\x82x", u"\xDCE2\xDC82x"},
        Decoding{"MixedValidAndInvalid", "\xD0\x96\xFF\xD0\x96", u"Ж\xDCFFЖ"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ByteText, RandomBytesSurviveTheRoundTrip) {
  QRandomGenerator random(20261208);
  for (int trial = 0; trial < 2000; ++trial) {
    QByteArray bytes(random.bounded(40), '\0');
    for (char& b : bytes) {
      // Favour the bytes that start and continue multi-byte sequences.
      b = static_cast<char>(random.bounded(4) == 0 ? random.bounded(256) : 0x80 + random.bounded(0x78));
    }
    ASSERT_EQ(bytesFromText(textFromBytes(bytes)), bytes) << bytes.toHex().constData();
  }
}

TEST(ByteText, StraySurrogatesThatNoFileCanProduceBecomeReplacementCharacters) {
  EXPECT_EQ(bytesFromText(QString(QChar(0xD800)) + QStringLiteral("a")), QByteArray("\xEF\xBF\xBD" "a"));
  EXPECT_EQ(bytesFromText(QString(QChar(0xDC7F))), QByteArray("\xEF\xBF\xBD"));
}

}  // namespace
