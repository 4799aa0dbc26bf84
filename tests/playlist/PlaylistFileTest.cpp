#include "playlist/PlaylistFile.h"

#include <gtest/gtest.h>

#include "settings/ByteText.h"
#include "settings/IniFile.h"
#include "tests/support/TestFiles.h"

namespace {

const QString kMissing = QStringLiteral("Ошибка чтения");

struct LoadCase {
  const char* name;
  QByteArray file;  // null: no file at all
  QStringList expected;
};

class PlaylistLoading : public ::testing::TestWithParam<LoadCase> {};

TEST_P(PlaylistLoading, ReadsTheCountedEntries) {
  const LoadCase& c = GetParam();
  TempFolder folder;
  const QString path = c.file.isNull() ? folder.file("PLIST.LST") : folder.write("PLIST.LST", c.file);
  IniFile ini(path);
  EXPECT_EQ(PlaylistFile(ini).load(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaylistLoading,
    ::testing::Values(
        LoadCase{"NoFile", QByteArray(), {}},
        LoadCase{"NoSection", "[Time]\nWrite time=1:02:03\n", {}},
        LoadCase{"TwoEntries", "[PList_1]\nFileCount=2\nFile_ID1=/m/a.mp3\nFile_ID2=/m/b.ogg\n",
                 {"/m/a.mp3", "/m/b.ogg"}},
        LoadCase{"HexCount", "[PList_1]\nFileCount=0x3\nFile_ID1=a\nFile_ID2=b\nFile_ID3=c\n", {"a", "b", "c"}},
        LoadCase{"MalformedCount", "[PList_1]\nFileCount=abc\nFile_ID1=a\n", {}},
        LoadCase{"NegativeCount", "[PList_1]\nFileCount=-1\nFile_ID1=a\n", {}},
        LoadCase{"MissingCount", "[PList_1]\nFile_ID1=a\n", {}},
        LoadCase{"GapReadsAsReadError", "[PList_1]\nFileCount=3\nFile_ID1=a\nFile_ID3=c\n", {"a", kMissing, "c"}},
        LoadCase{"MissingAtTheEnd", "[PList_1]\nFileCount=2\nFile_ID1=a\n", {"a", kMissing}},
        LoadCase{"EmptyValue", "[PList_1]\nFileCount=1\nFile_ID1=\n", {""}},
        LoadCase{"KeysBeyondTheCountIgnored", "[PList_1]\nFileCount=1\nFile_ID1=a\nFile_ID2=b\n", {"a"}},
        LoadCase{"NamesIgnoreCase", "[plist_1]\nFILECOUNT=1\nfile_id1=a\n", {"a"}},
        LoadCase{"LeadingZeroKeyIsNotTheEntry", "[PList_1]\nFileCount=1\nFile_ID01=a\n", {kMissing}},
        LoadCase{"BytesThatAreNotUtf8", "[PList_1]\nFileCount=1\nFile_ID1=/m/\xCF\xE5\xF1\xED\xFF.mp3\n",
                 {textFromBytes("/m/\xCF\xE5\xF1\xED\xFF.mp3")}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlaylistFile, ADamagedHugeCountMakesUpOnlyABoundedTail) {
  TempFolder folder;
  IniFile ini(folder.write("PLIST.LST", "[PList_1]\nFileCount=0x7FFFFFFF\nFile_ID1=a\nFile_ID5=e\n"));
  const QStringList entries = PlaylistFile(ini).load();
  ASSERT_EQ(entries.size(), 5 + 1000);
  EXPECT_EQ(entries[0], "a");
  EXPECT_EQ(entries[4], "e");
  EXPECT_EQ(entries.back(), kMissing);
}

TEST(PlaylistFile, WritesTheLayoutOtherToolsExpect) {
  TempFolder folder;
  IniFile ini(folder.file("PLIST.LST"));
  PlaylistFile(ini).save({"/m/first.mp3", "/m/second.ogg"}, "21:07:45");
  EXPECT_EQ(folder.read("PLIST.LST"),
            "[PList_1]\nFileCount=2\nFile_ID1=/m/first.mp3\nFile_ID2=/m/second.ogg\n"
            "[Time]\nWrite time=21:07:45\n");

  // The second save erases the list, so it moves behind "Time", and the old keys go.
  PlaylistFile(ini).save({}, "21:08:00");
  EXPECT_EQ(folder.read("PLIST.LST"), "[Time]\nWrite time=21:08:00\n[PList_1]\nFileCount=0\n");
  EXPECT_TRUE(PlaylistFile(ini).load().isEmpty());
}

TEST(PlaylistFile, KeepsForeignSectionsByteForByte) {
  TempFolder folder;
  const QByteArray foreign = "[Other]\r\nname=\xC8\xEC\xFF\r\n";
  IniFile ini(folder.write("PLIST.LST", foreign + "[PList_1]\r\nFileCount=1\r\nFile_ID1=x\r\n"));
  PlaylistFile(ini).save({"y"}, "1:02:03");
  EXPECT_TRUE(folder.read("PLIST.LST").startsWith(foreign));
}

TEST(PlaylistFile, SaveThenLoadGivesTheSameEntries) {
  const QStringList entries = {
      "/music/песня.mp3",
      textFromBytes("/music/\xCF\xE5\xF1\xED\xFF.mp3"),
      "/music/" + QString(300, u'l') + ".flac",
      " leading and trailing ",
      "\"in quotes\"",
      "",
      kMissing,
      "/music/a.mp3",
      "/music/a.mp3",
  };
  TempFolder folder;
  IniFile writer(folder.file("PLIST.LST"));
  PlaylistFile(writer).save(entries, "0:00:00");
  IniFile reader(folder.file("PLIST.LST"));
  EXPECT_EQ(PlaylistFile(reader).load(), entries);
}

struct TimeCase {
  const char* locale;
  const char* expected;
};

class PlaylistWriteTime : public ::testing::TestWithParam<TimeCase> {};

TEST_P(PlaylistWriteTime, IsTheLongTimeWithoutTheZone) {
  const QString text = PlaylistFile::timeOfDayText(QTime(21, 7, 45), QLocale(GetParam().locale));
  EXPECT_EQ(text, QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Locales, PlaylistWriteTime,
                         ::testing::Values(TimeCase{"C", "21:07:45"}, TimeCase{"ru_RU", "21:07:45"},
                                           TimeCase{"en_US", "9:07:45 PM"}, TimeCase{"fi_FI", "21.07.45"},
                                           TimeCase{"zh_CN", "21:07:45"}));

}  // namespace
