#include "playlist/PlaylistFile.h"

#include <gtest/gtest.h>

#include "settings/ByteText.h"
#include "settings/IniFile.h"
#include "tests/support/TestFiles.h"

namespace {

const QString kMissing = QStringLiteral("Ошибка чтения");

struct LoadCase {
  const char* name;
  QByteArray file;
  QStringList expected;
};

class PlaylistLoading : public ::testing::TestWithParam<LoadCase> {};

TEST_P(PlaylistLoading, ReadsTheCountedEntries) {
  TempFolder folder;
  IniFile ini(folder.write("PLIST.LST", GetParam().file));
  EXPECT_EQ(PlaylistFile(ini).load(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaylistLoading,
    ::testing::Values(
        LoadCase{"NoSection", "[Time]\nWrite time=1:02:03\n", {}},
        LoadCase{"HexCount", "[plist_1]\nFILECOUNT=0x3\nfile_id1=a\nFile_ID2=b\nFile_ID3=c\n", {"a", "b", "c"}},
        LoadCase{"MalformedCount", "[PList_1]\nFileCount=abc\nFile_ID1=a\n", {}},
        LoadCase{"NegativeCount", "[PList_1]\nFileCount=-1\nFile_ID1=a\n", {}},
        LoadCase{"GapsReadAsReadError", "[PList_1]\nFileCount=4\nFile_ID1=a\nFile_ID3=c\nFile_ID04=d\n",
                 {"a", kMissing, "c", kMissing}},
        LoadCase{"EmptyValueAndKeysBeyondTheCount", "[PList_1]\nFileCount=1\nFile_ID1=\nFile_ID2=b\n", {""}},
        LoadCase{"BytesThatAreNotUtf8", "[PList_1]\nFileCount=1\nFile_ID1=/m/\xCF\xFF.mp3\n",
                 {textFromBytes("/m/\xCF\xFF.mp3")}},
        LoadCase{"EntriesOver2047BytesWhole", "[PList_1]\nFileCount=1\nFile_ID1=/" + QByteArray(2100, 'p') + "\n",
                 {"/" + QString(2100, u'p')}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlaylistFile, ADamagedHugeCountMakesUpOnlyABoundedTail) {
  TempFolder folder;
  IniFile ini(folder.write("PLIST.LST", "[PList_1]\nFileCount=0x7FFFFFFF\nFile_ID5=e\n"));
  const QStringList entries = PlaylistFile(ini).load();
  ASSERT_EQ(entries.size(), 5 + 1000);
  EXPECT_EQ(entries[4], "e");
}

TEST(PlaylistFile, WritesTheKnownLayoutAndDropsOldEntries) {
  TempFolder folder;
  IniFile ini(folder.file("PLIST.LST"));
  PlaylistFile(ini).save({"/m/first.mp3", "/m/second.ogg"}, "21:07:45");
  EXPECT_EQ(folder.read("PLIST.LST"),
            "[PList_1]\nFileCount=2\nFile_ID1=/m/first.mp3\nFile_ID2=/m/second.ogg\n[Time]\nWrite time=21:07:45\n");
  // The erased list is written again behind "Time".
  PlaylistFile(ini).save({}, "21:08:00");
  EXPECT_EQ(folder.read("PLIST.LST"), "[Time]\nWrite time=21:08:00\n[PList_1]\nFileCount=0\n");
}

TEST(PlaylistFile, SaveThenLoadGivesTheSameEntries) {
  const QStringList entries = {"/music/песня.mp3", textFromBytes("/music/\xCF\xE5\xF1.mp3"),
                               "/music/" + QString(300, u'l') + ".flac", "/music/" + QString(3000, u'ж') + ".ogg",
                               " blanks ", "\"quotes\"", "", kMissing,
                               "/a.mp3", "/a.mp3"};
  TempFolder folder;
  IniFile writer(folder.file("PLIST.LST"));
  PlaylistFile(writer).save(entries, "0:00:00");
  IniFile reader(folder.file("PLIST.LST"));
  EXPECT_EQ(PlaylistFile(reader).load(), entries);
}

TEST(PlaylistFile, WriteTimeIsTheLongTimeWithoutTheZone) {
  const QTime time(21, 7, 45);
  EXPECT_EQ(PlaylistFile::timeOfDayText(time, QLocale("ru_RU")), "21:07:45");
  EXPECT_EQ(PlaylistFile::timeOfDayText(time, QLocale("en_US")), "9:07:45 PM");
  EXPECT_EQ(PlaylistFile::timeOfDayText(time, QLocale("zh_CN")), "21:07:45");
}

}  // namespace
