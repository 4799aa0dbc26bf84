#include "settings/IniFile.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <functional>

#include "settings/ByteText.h"
#include "tests/settings/ReadOnlyFile.h"
#include "tests/support/TestFiles.h"

namespace {

const QString kDefault = QStringLiteral("<default>");

// What reading key "k" of section "S" gives: as text (default kDefault), as an integer
// (default -99) and as a boolean (default true).
struct ReadCase {
  const char* name;
  QByteArray file;
  QString text;
  int32_t integer;
};

class IniReading : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniReading, FollowsTheProfileRules) {
  const ReadCase& c = GetParam();
  TempFolder folder;
  IniFile ini(folder.write("a.ini", c.file));
  EXPECT_EQ(ini.ReadString("s", "K", kDefault), c.text);
  EXPECT_EQ(ini.ReadInteger("S", "k", -99), c.integer);
  EXPECT_EQ(ini.ReadBool("S", "k", true), c.integer != 0);
}

const QString kText = QStringLiteral("text");

INSTANTIATE_TEST_SUITE_P(
    Cases, IniReading,
    ::testing::Values(
        ReadCase{"Plain", "[S]\nk=12\n", "12", 12},
        ReadCase{"NamesIgnoreCase", "[s]\nK=1\n", "1", 1},
        ReadCase{"BlanksAroundNamesAndValue", "[ S ]\n  k \t=  0x10 \t\n", "0x10", 16},
        ReadCase{"DoubleQuotesRemoved", "[S]\nk=\" 42\"\n", " 42", 42},
        ReadCase{"SingleQuotesRemoved", "[S]\nk='text'\n", kText, -99},
        ReadCase{"OnlyOnePairRemoved", "[S]\nk=\"\"a\"\"\n", "\"a\"", -99},
        ReadCase{"UnmatchedQuotesKept", "[S]\nk=\"a'\n", "\"a'", -99},
        ReadCase{"LoneQuoteKept", "[S]\nk=\"\n", "\"", -99},
        ReadCase{"EmptyValueIsNotMissing", "[S]\nk=\n", "", -99},
        ReadCase{"EqualsInValue", "[S]\nk=a=b\n", "a=b", -99},
        ReadCase{"MissingKey", "[S]\nj=1\n", kDefault, -99},
        ReadCase{"KeyBeforeAnySection", "k=1\n[S]\n", kDefault, -99},
        ReadCase{"LineWithoutEqualsIsNoKey", "[S]\nk\n", kDefault, -99},
        ReadCase{"FirstOfTwoKeysWins", "[S]\nk=1\nK=2\n", "1", 1},
        ReadCase{"FirstOfTwoSectionsWins", "[S]\n[s]\nk=2\n", kDefault, -99},
        ReadCase{"WindowsLineEndingsAndNoFinalOne", "[S]\r\nk=5", "5", 5},
        ReadCase{"ByteOrderMark", "\xEF\xBB\xBF[S]\nk=5\n", "5", 5},
        ReadCase{"BytesThatAreNotUtf8", "[S]\nk=\xCF\xF0\n", QString::fromUtf16(u"\xDCCF\xDCF0"), -99},
        ReadCase{"HexUpperX", "[S]\nk=0X1f\n", "0X1f", 31},
        ReadCase{"HexDollarWraps", "[S]\nk=$FFFFFFFF\n", "$FFFFFFFF", -1},
        ReadCase{"HexTooLong", "[S]\nk=$100000000\n", "$100000000", -99},
        ReadCase{"SignedDecimal", "[S]\nk=-2147483648\n", "-2147483648", INT32_MIN},
        ReadCase{"DecimalTooLarge", "[S]\nk=2147483648\n", "2147483648", -99},
        ReadCase{"PrefixOnly", "[S]\nk=0x\n", "0x", -99},
        ReadCase{"TrailingText", "[S]\nk=12abc\n", "12abc", -99},
        ReadCase{"Fraction", "[S]\nk=1.5\n", "1.5", -99},
        ReadCase{"ZeroIsFalse", "[S]\nk=0x0\n", "0x0", 0},
        ReadCase{"WordIsTheDefault", "[S]\nk=yes\n", "yes", -99},
        ReadCase{"AtMost2047Characters", "[S]\nk=" + QByteArray(3000, '7') + "\n", QString(2047, u'7'), -99}),
    [](const auto& info) { return std::string(info.param.name); });

struct WriteCase {
  const char* name;
  QByteArray before;  // null: no file
  std::function<void(IniFile&)> change;
  QByteArray after;
};

class IniWriting : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWriting, ChangesOnlyTheLinesItMust) {
  const WriteCase& c = GetParam();
  TempFolder folder;
  IniFile ini(c.before.isNull() ? folder.file("a.ini") : folder.write("a.ini", c.before));
  c.change(ini);
  EXPECT_EQ(folder.read("a.ini"), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWriting,
    ::testing::Values(
        WriteCase{"CreatesAMissingFile", {}, [](IniFile& i) { i.WriteBool("S", "k", true); }, "[S]\nk=1\n"},
        WriteCase{"KeepsTheKeysSpelling", "[s]\n  Key = old \n", [](IniFile& i) { i.WriteBool("S", "KEY", false); },
                  "[s]\nKey=0\n"},
        WriteCase{"AddsAKeyBeforeTheBlankLines", "[A]\nx=1\n\n[B]\n", [](IniFile& i) { i.WriteInteger("A", "z", -3); },
                  "[A]\nx=1\nz=-3\n\n[B]\n"},
        WriteCase{"KeepsEveryOtherByte", "; \xCF\xF0\r\n[A]\r\nn=\xC8\xEC\r\nk=1\r\nstray\r\n[B]\r\nq=2",
                  [](IniFile& i) { i.WriteString("A", "k", "2"); },
                  "; \xCF\xF0\r\n[A]\r\nn=\xC8\xEC\r\nk=2\r\nstray\r\n[B]\r\nq=2"},
        WriteCase{"EndsAnUnfinishedLastLine", "[A]\r\nk=1", [](IniFile& i) { i.WriteString("B", "k", "2"); },
                  "[A]\r\nk=1\r\n[B]\r\nk=2\r\n"},
        WriteCase{"ErasedSectionWrittenAgainMovesToTheEnd", "[P]\nn=1\n[a]\nm=1\n[T]\n[A]\n",
                  [](IniFile& i) {
                    i.EraseSection("p");
                    i.EraseSection("A");
                    i.WriteInteger("P", "n", 0);
                  },
                  "[T]\n[P]\nn=0\n"},
        WriteCase{"LineFeedsCannotForgeKeys", {}, [](IniFile& i) { i.WriteString("S", "k", "a\n[S]\r\nn=9"); },
                  "[S]\nk=a [S]\r n=9\n"}),
    [](const auto& info) { return std::string(info.param.name); });

class IniValueRoundTrip : public ::testing::TestWithParam<QString> {};

TEST_P(IniValueRoundTrip, ReadsBackWhatWasWritten) {
  TempFolder folder;
  IniFile(folder.file("a.ini")).WriteString("S", "k", GetParam());
  EXPECT_EQ(IniFile(folder.file("a.ini")).ReadString("S", "k", kDefault), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Values, IniValueRoundTrip,
                         ::testing::Values(QString(), " leading", "trailing\t", "\"quoted\"", "'single'", "\"",
                                           "a\rb", "ends in cr\r", "/музыка/песня.mp3",
                                           textFromBytes("/m/\xCF\xE5\xF1\xED\xFF.mp3")));

TEST(IniFile, SeesChangesMadeByOthersBeforeReadingOrWriting) {
  TempFolder folder;
  const QString path = folder.write("a.ini", "[S]\nk=1\n");
  IniFile ini(path);
  ASSERT_EQ(ini.ReadInteger("S", "k", 0), 1);
  // Rewritten in place with the same size; the clock may not have moved, so move it.
  folder.write("a.ini", "[S]\nk=2\n");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
  file.close();
  EXPECT_EQ(ini.ReadInteger("S", "k", 0), 2);
  // Replaced by another file, as editors save.
  folder.write("b.ini", "[S]\nk=3\nother=4\n");
  ASSERT_EQ(::rename(QFile::encodeName(folder.file("b.ini")), QFile::encodeName(path)), 0);
  ini.WriteInteger("S", "k", 5);
  EXPECT_EQ(folder.read("a.ini"), "[S]\nk=5\nother=4\n");
}

TEST(IniFile, ReplacesTheFileBehindALinkKeepingItsModeAndNoTemporaryFile) {
  TempFolder folder;
  const QString real = folder.write("real.ini", "[S]\n");
  ASSERT_EQ(::chmod(QFile::encodeName(real), 0640), 0);
  ASSERT_EQ(::symlink("real.ini", QFile::encodeName(folder.file("link.ini"))), 0);
  IniFile ini(folder.file("link.ini"));
  for (int i = 0; i < 3; ++i) ini.WriteInteger("S", "k", i);
  EXPECT_TRUE(QFileInfo(folder.file("link.ini")).isSymLink());
  EXPECT_EQ(folder.read("real.ini"), "[S]\nk=2\n");
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(real), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

// A save killed between creating its temporary file and renaming it leaves the temporary;
// the next save removes those of its own file that no running save holds, and nothing else.
TEST(IniFile, ASaveRemovesItsOwnStaleTemporariesOnly) {
  TempFolder folder;
  IniFile ini(folder.write("a.ini", "[S]\n"));
  const QStringList kept = {".a.ini.held.tmp", ".a.ini.ABC.tmp", ".a.ini.tmp", "a.ini.k3x9.tmp",
                            ".b.ini.k3x9.tmp", ".a.ini.12345678.tmp", ".a.ini.k3x9.tmp.bak"};
  for (const QString& name : kept + QStringList{".a.ini.k3x9.tmp", ".a.ini.0.tmp"}) folder.write(name, "x");
  ASSERT_TRUE(QDir(folder.path()).mkdir(".a.ini.dir.tmp"));
  ASSERT_EQ(::symlink("a.ini", QFile::encodeName(folder.file(".a.ini.link.tmp"))), 0);
  // A save in progress in another process holds its temporary locked.
  QFile held(folder.file(".a.ini.held.tmp"));
  ASSERT_TRUE(held.open(QIODevice::ReadOnly));
  ASSERT_EQ(::flock(held.handle(), LOCK_EX), 0);

  ini.WriteInteger("S", "k", 1);
  QStringList expected = kept + QStringList{"a.ini", ".a.ini.dir.tmp", ".a.ini.link.tmp"};
  expected.sort();
  QStringList left = QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  left.sort();
  EXPECT_EQ(left, expected);
  EXPECT_EQ(folder.read("a.ini"), "[S]\nk=1\n");
}

TEST(IniFileBatch, WritesOnceAtCommitAndNothingWhenDropped) {
  TempFolder folder;
  IniFile ini(folder.write("a.ini", "[S]\nk=old\n"));
  {
    IniFile::Batch batch(ini);
    ini.EraseSection("S");
    ini.WriteString("S", "k", "dropped");
  }
  EXPECT_EQ(ini.ReadString("S", "k", {}), "old");
  IniFile::Batch batch(ini);
  ini.WriteString("S", "k", "new");
  ini.WriteString("S", "j", "added");
  EXPECT_EQ(ini.ReadString("S", "k", {}), "new");
  EXPECT_EQ(folder.read("a.ini"), "[S]\nk=old\n");
  EXPECT_THROW(IniFile::Batch nested(ini), std::logic_error);
  batch.commit();
  EXPECT_EQ(folder.read("a.ini"), "[S]\nk=new\nj=added\n");
}

TEST(IniFileErrors, AReadOnlyFileRaisesTheWriteErrorAndKeepsTheOldValues) {
  TempFolder folder;
  const QByteArray saved = "[Volume]\nsgauge2.Progress=2\n";
  ReadOnlyFile file(folder, "Config.ini", saved);
  if (!file.made()) GTEST_SKIP() << "no read-only files here";
  IniFile ini(file.path());
  try {
    ini.WriteInteger("Volume", "sgauge2.Progress", 3);
    ADD_FAILURE() << "no error raised";
  } catch (const IniWriteError& error) {
    EXPECT_EQ(QString::fromUtf8(error.what()), "Unable to write to " + file.path());
  }
  EXPECT_EQ(ini.ReadInteger("Volume", "sgauge2.Progress", 9), 2);
  IniFile::Batch batch(ini);
  ini.WriteInteger("S", "k", 1);
  EXPECT_THROW(batch.commit(), IniWriteError);
  EXPECT_EQ(folder.read("Config.ini"), saved);
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Config.ini"});
}

TEST(IniFileErrors, AFileThatCannotBeReadOrWrittenIsNotReplaced) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  TempFolder folder;
  for (const auto permissions : {QFile::ReadOwner, QFile::WriteOwner}) {
    const QString path = folder.write("a.ini", "[S]\nk=1\n");
    QFile::setPermissions(path, permissions);
    EXPECT_THROW(IniFile(path).WriteInteger("T", "k", 2), IniWriteError);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(folder.read("a.ini"), "[S]\nk=1\n");
  }
}

}  // namespace
