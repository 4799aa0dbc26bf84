#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>

#include "settings/ByteText.h"
#include "settings/IniFile.h"
#include "tests/settings/UnwritableFolder.h"
#include "tests/support/TestFiles.h"

namespace {

const QString kDefault = QStringLiteral("<default>");

struct ReadCase {
  const char* name;
  QByteArray file;
  const char* section;
  const char* key;
  QString expected;
};

class IniReading : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniReading, FollowsTheProfileRules) {
  const ReadCase& c = GetParam();
  TempFolder folder;
  IniFile ini(folder.write("a.ini", c.file));
  EXPECT_EQ(ini.ReadString(c.section, c.key, kDefault), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniReading,
    ::testing::Values(
        ReadCase{"Plain", "[S]\nk=v\n", "S", "k", "v"},
        ReadCase{"NamesIgnoreCase", "[pList_1]\nFILECOUNT=3\n", "PList_1", "FileCount", "3"},
        ReadCase{"CyrillicNamesIgnoreCase", "[Раздел]\nКлюч=v\n", "РАЗДЕЛ", "ключ", "v"},
        ReadCase{"BlanksAroundNameAndValue", "[S]\n  k \t=  a b \t\n", "S", "k", "a b"},
        ReadCase{"BlanksInsideBrackets", "[ S ]\nk=v\n", "S", "k", "v"},
        ReadCase{"DoubleQuotesRemoved", "[S]\nk=\"  a  \"\n", "S", "k", "  a  "},
        ReadCase{"SingleQuotesRemoved", "[S]\nk='a'\n", "S", "k", "a"},
        ReadCase{"OnlyOnePairRemoved", "[S]\nk=\"\"a\"\"\n", "S", "k", "\"a\""},
        ReadCase{"UnmatchedQuotesKept", "[S]\nk=\"a'\n", "S", "k", "\"a'"},
        ReadCase{"LoneQuoteKept", "[S]\nk=\"\n", "S", "k", "\""},
        ReadCase{"EmptyQuotes", "[S]\nk=\"\"\n", "S", "k", ""},
        ReadCase{"EmptyValueIsNotMissing", "[S]\nk=\n", "S", "k", ""},
        ReadCase{"EqualsInValue", "[S]\nk=a=b\n", "S", "k", "a=b"},
        ReadCase{"MissingKey", "[S]\nk=v\n", "S", "other", kDefault},
        ReadCase{"MissingSection", "[S]\nk=v\n", "T", "k", kDefault},
        ReadCase{"EmptyFile", "", "S", "k", kDefault},
        ReadCase{"KeyBeforeAnySection", "k=v\n[S]\n", "S", "k", kDefault},
        ReadCase{"LineWithoutEqualsIsNoKey", "[S]\nk\n", "S", "k", kDefault},
        ReadCase{"KeyOfAnotherSection", "[S]\n[T]\nk=v\n", "S", "k", kDefault},
        ReadCase{"FirstOfTwoKeysWins", "[S]\nk=1\nK=2\n", "S", "k", "1"},
        ReadCase{"FirstOfTwoSectionsWins", "[S]\nk=1\n[s]\nk=2\n", "S", "k", "1"},
        ReadCase{"KeyOnlyInSecondSectionOfSameName", "[S]\n[s]\nk=2\n", "S", "k", kDefault},
        ReadCase{"WindowsLineEndings", "[S]\r\nk=v\r\n", "S", "k", "v"},
        ReadCase{"NoFinalLineEnding", "[S]\nk=v", "S", "k", "v"},
        ReadCase{"ByteOrderMark", "\xEF\xBB\xBF[S]\nk=v\n", "S", "k", "v"},
        ReadCase{"BytesThatAreNotUtf8", "[S]\nk=\xCF\xF0\n", "S", "k",
                 QString::fromUtf16(u"\xDCCF\xDCF0")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniFile, ReadsAtMost2047CharactersOfAValue) {
  TempFolder folder;
  IniFile ini(folder.write("a.ini", "[S]\nk=" + QByteArray(3000, 'x') + "\n"));
  EXPECT_EQ(ini.ReadString("S", "k", {}), QString(2047, u'x'));
}

struct IntegerCase {
  const char* name;
  QByteArray value;
  int32_t expected;
};

class IniIntegers : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IniIntegers, ReadDecimalOrHexadecimalElseTheDefault) {
  const IntegerCase& c = GetParam();
  TempFolder folder;
  IniFile ini(folder.write("a.ini", "[S]\nk=" + c.value + "\n"));
  EXPECT_EQ(ini.ReadInteger("S", "k", -99), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniIntegers,
    ::testing::Values(IntegerCase{"Decimal", "10", 10}, IntegerCase{"Negative", "-7", -7},
                      IntegerCase{"Plus", "+7", 7}, IntegerCase{"LeadingZeros", "007", 7},
                      IntegerCase{"HexLowerX", "0x0A", 10}, IntegerCase{"HexUpperX", "0X1f", 31},
                      IntegerCase{"HexDollar", "$1F", 31}, IntegerCase{"HexWraps", "$FFFFFFFF", -1},
                      IntegerCase{"HexTooLong", "$100000000", -99},
                      IntegerCase{"Largest", "2147483647", 2147483647},
                      IntegerCase{"Smallest", "-2147483648", INT32_MIN},
                      IntegerCase{"TooLarge", "2147483648", -99},
                      IntegerCase{"PrefixOnly", "0x", -99}, IntegerCase{"DollarOnly", "$", -99},
                      IntegerCase{"Word", "abc", -99}, IntegerCase{"Empty", "", -99},
                      IntegerCase{"TrailingText", "12abc", -99}, IntegerCase{"InnerBlank", "1 2", -99},
                      IntegerCase{"Fraction", "1.5", -99}, IntegerCase{"Quoted", "\"42\"", 42},
                      IntegerCase{"BlanksAround", "  0x10  ", 16},
                      IntegerCase{"ArabicIndicDigits", "\xD9\xA3", -99}),
    [](const auto& info) { return std::string(info.param.name); });

struct BoolCase {
  const char* name;
  QByteArray file;
  bool defaultValue;
  bool expected;
};

class IniBooleans : public ::testing::TestWithParam<BoolCase> {};

TEST_P(IniBooleans, AreNumbersOtherThanZero) {
  const BoolCase& c = GetParam();
  TempFolder folder;
  IniFile ini(folder.write("a.ini", c.file));
  EXPECT_EQ(ini.ReadBool("S", "b", c.defaultValue), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, IniBooleans,
                         ::testing::Values(BoolCase{"Zero", "[S]\nb=0", true, false},
                                           BoolCase{"One", "[S]\nb=1", false, true},
                                           BoolCase{"Two", "[S]\nb=2", false, true},
                                           BoolCase{"HexZero", "[S]\nb=0x0", true, false},
                                           BoolCase{"WordGivesDefaultFalse", "[S]\nb=yes", false, false},
                                           BoolCase{"WordGivesDefaultTrue", "[S]\nb=yes", true, true},
                                           BoolCase{"MissingGivesDefault", "", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct WriteCase {
  const char* name;
  QByteArray before;
  std::function<void(IniFile&)> change;
  QByteArray after;
};

class IniWriting : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWriting, ChangesOnlyTheLinesItMust) {
  const WriteCase& c = GetParam();
  TempFolder folder;
  const QString path = c.before.isNull() ? folder.file("a.ini") : folder.write("a.ini", c.before);
  IniFile ini(path);
  c.change(ini);
  EXPECT_EQ(folder.read("a.ini"), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWriting,
    ::testing::Values(
        WriteCase{"CreatesAMissingFile", QByteArray(), [](IniFile& i) { i.WriteString("S", "k", "v"); },
                  "[S]\nk=v\n"},
        WriteCase{"ReplacesAValueKeepingTheKeysSpelling", "[s]\n  Key = old \n",
                  [](IniFile& i) { i.WriteString("S", "KEY", "new"); }, "[s]\nKey=new\n"},
        WriteCase{"AddsAKeyBeforeTheBlankLinesOfItsSection", "[A]\nx=1\n\n[B]\ny=2\n",
                  [](IniFile& i) { i.WriteInteger("A", "z", -3); }, "[A]\nx=1\nz=-3\n\n[B]\ny=2\n"},
        WriteCase{"KeepsEveryOtherByte",
                  "; \xCF\xF0\xE8\xEC\xE5\xF0\r\n[A]\r\nname=\xC8\xEC\xFF\r\nk=1\r\nstray line\r\n[B]\r\nq=2",
                  [](IniFile& i) { i.WriteBool("A", "k", false); },
                  "; \xCF\xF0\xE8\xEC\xE5\xF0\r\n[A]\r\nname=\xC8\xEC\xFF\r\nk=0\r\nstray line\r\n[B]\r\nq=2"},
        WriteCase{"UsesTheFilesLineEndingAndEndsAnUnfinishedLastLine", "[A]\r\nk=1",
                  [](IniFile& i) { i.WriteString("B", "k", "2"); }, "[A]\r\nk=1\r\n[B]\r\nk=2\r\n"},
        WriteCase{"ErasedSectionWrittenAgainMovesToTheEnd", "[PList_1]\nFileCount=1\n[Time]\nWrite time=1\n",
                  [](IniFile& i) {
                    i.EraseSection("plist_1");
                    i.WriteInteger("PList_1", "FileCount", 0);
                  },
                  "[Time]\nWrite time=1\n[PList_1]\nFileCount=0\n"},
        WriteCase{"EraseRemovesEverySectionOfTheName", "[A]\nk=1\n[B]\n[a]\nk=2\n",
                  [](IniFile& i) { i.EraseSection("A"); }, "[B]\n"},
        WriteCase{"BooleansAreZeroAndOne", QByteArray(),
                  [](IniFile& i) {
                    i.WriteBool("S", "t", true);
                    i.WriteBool("S", "f", false);
                  },
                  "[S]\nt=1\nf=0\n"},
        WriteCase{"LineBreaksCannotForgeKeys", QByteArray(),
                  [](IniFile& i) { i.WriteString("S", "k", "a\n[S]\r\nFileCount=9"); },
                  "[S]\nk=a [S]\r FileCount=9\n"}),
    [](const auto& info) { return std::string(info.param.name); });

class IniValueRoundTrip : public ::testing::TestWithParam<QString> {};

TEST_P(IniValueRoundTrip, ReadsBackWhatWasWritten) {
  TempFolder folder;
  IniFile(folder.file("a.ini")).WriteString("S", "k", GetParam());
  EXPECT_EQ(IniFile(folder.file("a.ini")).ReadString("S", "k", kDefault), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Values, IniValueRoundTrip,
                         ::testing::Values(QString(), QStringLiteral(" leading"), QStringLiteral("trailing\t"),
                                           QStringLiteral("\"quoted\""), QStringLiteral("'single'"),
                                           QStringLiteral("\""), QStringLiteral("a = b"),
                                           QStringLiteral("a\rb"), QStringLiteral("ends in cr\r"),
                                           QStringLiteral("/музыка/песня.mp3"),
                                           textFromBytes("/m/\xCF\xE5\xF1\xED\xFF.mp3"),
                                           QString(2047, u'p')));

TEST(IniFile, SeesChangesMadeByOthers) {
  TempFolder folder;
  const QString path = folder.write("a.ini", "[S]\nk=1\n");
  IniFile ini(path);
  ASSERT_EQ(ini.ReadInteger("S", "k", 0), 1);

  // Rewritten in place with the same size; the clock may not have moved, so set it.
  folder.write("a.ini", "[S]\nk=2\n");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
  file.close();
  EXPECT_EQ(ini.ReadInteger("S", "k", 0), 2);

  // Replaced by another file (a new inode), as editors save.
  folder.write("b.ini", "[S]\nk=3\n");
  ASSERT_EQ(::rename(QFile::encodeName(folder.file("b.ini")), QFile::encodeName(path)), 0);
  EXPECT_EQ(ini.ReadInteger("S", "k", 0), 3);

  // A write starts from what is on disk now, not from the stale copy.
  folder.write("c.ini", "[S]\nk=3\nother=4\n");
  ASSERT_EQ(::rename(QFile::encodeName(folder.file("c.ini")), QFile::encodeName(path)), 0);
  ini.WriteInteger("S", "k", 5);
  EXPECT_EQ(folder.read("a.ini"), "[S]\nk=5\nother=4\n");
}

TEST(IniFile, LeavesNoTemporaryFilesAndKeepsPermissions) {
  TempFolder folder;
  const QString path = folder.write("a.ini", "[S]\n");
  ASSERT_EQ(::chmod(QFile::encodeName(path), 0640), 0);
  IniFile ini(path);
  for (int i = 0; i < 5; ++i) ini.WriteInteger("S", "k", i);
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.ini"});
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(path), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(IniFile, WritesThroughASymbolicLink) {
  TempFolder folder;
  folder.write("real.ini", "[S]\nk=1\n");
  ASSERT_EQ(::symlink("real.ini", QFile::encodeName(folder.file("link.ini"))), 0);
  IniFile(folder.file("link.ini")).WriteInteger("S", "k", 2);
  EXPECT_TRUE(QFileInfo(folder.file("link.ini")).isSymLink());
  EXPECT_EQ(folder.read("real.ini"), "[S]\nk=2\n");
}

TEST(IniFileBatch, ReplacesTheFileOnceAtCommit) {
  TempFolder folder;
  const QString path = folder.write("a.ini", "[S]\nk=old\n");
  IniFile ini(path);
  {
    IniFile::Batch batch(ini);
    ini.WriteString("S", "k", "new");
    ini.WriteString("S", "j", "added");
    EXPECT_EQ(ini.ReadString("S", "k", {}), "new");
    EXPECT_EQ(folder.read("a.ini"), "[S]\nk=old\n");
    batch.commit();
  }
  EXPECT_EQ(folder.read("a.ini"), "[S]\nk=new\nj=added\n");
}

TEST(IniFileBatch, DroppedWithoutCommitLeavesTheFileAndForgetsItsWrites) {
  TempFolder folder;
  IniFile ini(folder.write("a.ini", "[S]\nk=old\n"));
  {
    IniFile::Batch batch(ini);
    ini.EraseSection("S");
    ini.WriteString("S", "k", "new");
  }
  EXPECT_EQ(folder.read("a.ini"), "[S]\nk=old\n");
  EXPECT_EQ(ini.ReadString("S", "k", {}), "old");
  EXPECT_THROW(
      {
        IniFile::Batch outer(ini);
        IniFile::Batch inner(ini);
      },
      std::logic_error);
}

TEST(IniFileErrors, AFolderThatCannotBeWrittenRaisesTheWriteError) {
  TempFolder folder;
  const QString path = QDir(unwritableFolder(folder)).filePath("Config.ini");
  IniFile ini(path);
  try {
    ini.WriteInteger("Volume", "sgauge2.Progress", 3);
    FAIL() << "no error raised";
  } catch (const IniWriteError& error) {
    EXPECT_EQ(QString::fromUtf8(error.what()), "Unable to write to " + path);
  }
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_EQ(ini.ReadInteger("Volume", "sgauge2.Progress", 2), 2);

  IniFile::Batch batch(ini);
  ini.WriteInteger("S", "k", 1);
  EXPECT_THROW(batch.commit(), IniWriteError);
}

TEST(IniFileErrors, AFileThatCannotBeReadOrWrittenIsNotReplaced) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  TempFolder folder;
  const QString readOnly = folder.write("ro.ini", "[S]\nk=1\n");
  QFile::setPermissions(readOnly, QFile::ReadOwner);
  EXPECT_THROW(IniFile(readOnly).WriteInteger("S", "k", 2), IniWriteError);
  EXPECT_EQ(folder.read("ro.ini"), "[S]\nk=1\n");

  const QString unreadable = folder.write("wo.ini", "[S]\nk=1\n");
  QFile::setPermissions(unreadable, QFile::WriteOwner);
  EXPECT_THROW(IniFile(unreadable).WriteInteger("T", "k", 2), IniWriteError);
  QFile::setPermissions(unreadable, QFile::ReadOwner | QFile::WriteOwner);
  EXPECT_EQ(folder.read("wo.ini"), "[S]\nk=1\n");
}

}  // namespace
