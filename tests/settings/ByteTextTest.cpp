#include "settings/ByteText.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace {

struct Decoding {
  const char* name;
  QByteArray bytes;
  std::u16string text;
};

class ByteTextDecoding : public ::testing::TestWithParam<Decoding> {};

TEST_P(ByteTextDecoding, DecodesUtf8AndEscapesEveryOtherByte) {
  EXPECT_EQ(textFromBytes(GetParam().bytes), QString::fromStdU16String(GetParam().text));
  EXPECT_EQ(bytesFromText(textFromBytes(GetParam().bytes)), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ByteTextDecoding,
    ::testing::Values(Decoding{"Cyrillic", "\xD0\x9E\xD1\x88", u"Ош"},
                      Decoding{"FourBytes", "\xF0\x90\x82\x80", u"\U00010080"},
                      Decoding{"Windows1251", "\xCF\xFF", u"\xDCCF\xDCFF"},
                      Decoding{"LoneContinuation", "a\x80z", u"a\xDC80z"},
                      Decoding{"Overlong", "\xC0\xAF", u"\xDCC0\xDCAF"},
                      Decoding{"EncodedSurrogate", "\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},
                      Decoding{"AboveUnicode", "\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},
                      Decoding{"Truncated", "\xE2\x82x", u"\xDCE2\xDC82x"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ByteText, LocalFileUrlsKeepEveryByteOfTheirPath) {
  const std::pair<QUrl, QByteArray> cases[] = {
      {QUrl::fromEncoded("file:///music/%CF%E5%F1%ED%FF.wav"), "/music/\xCF\xE5\xF1\xED\xFF.wav"},
      {QUrl::fromEncoded("file:///music/%D0%9E%D1%88%20a%25b.mp3"), "/music/\xD0\x9E\xD1\x88 a%b.mp3"},
      {QUrl::fromLocalFile(QStringLiteral("/music/Ош #1?.ogg")), "/music/\xD0\x9E\xD1\x88 #1?.ogg"},
      {QUrl::fromEncoded("file://server/share/%FF.flac"), "//server/share/\xFF.flac"},
  };
  for (const auto& [url, bytes] : cases) {
    EXPECT_EQ(bytesFromText(textFromLocalFileUrl(url)), bytes) << url.toString().toStdString();
  }
}

TEST(ByteText, RandomBytesSurviveTheRoundTrip) {
  QRandomGenerator random(20261208);
  for (int trial = 0; trial < 2000; ++trial) {
    QByteArray bytes(random.bounded(40), '\0');
    // Mostly the bytes that start and continue multi-byte sequences.
    for (char& b : bytes) b = static_cast<char>(random.bounded(4) == 0 ? random.bounded(256) : 0x80 + random.bounded(0x78));
    ASSERT_EQ(bytesFromText(textFromBytes(bytes)), bytes) << bytes.toHex().constData();
  }
  EXPECT_EQ(bytesFromText(QString(QChar(0xD800))), QByteArray("\xEF\xBF\xBD"));
}

}  // namespace
