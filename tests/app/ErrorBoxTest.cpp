#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <vector>

#include "app/ErrorBox.h"
#include "playlist/Playlist.h"
#include "tests/support/TestFiles.h"

namespace {

struct TextCase {
  const char* raised;
  const char* shown;
};

class ErrorBoxText : public testing::TestWithParam<TextCase> {};

TEST_P(ErrorBoxText, FullStopIsAddedOnlyAfterACharacterSortingAfterIt) {
  EXPECT_EQ(errorBoxText(QString::fromUtf8(GetParam().raised)), QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ErrorBoxText,
    testing::Values(TextCase{"List index out of bounds (3)", "List index out of bounds (3)"},
                    TextCase{"Unable to write to /home/u/PLIST.LST", "Unable to write to /home/u/PLIST.LST."},
                    TextCase{"Done.", "Done."}, TextCase{"What!", "What!"}, TextCase{"a,", "a,"},
                    TextCase{"a-", "a-"}, TextCase{"a/", "a/."}, TextCase{"a0", "a0."}, TextCase{"a ", "a "},
                    TextCase{"Ошибка", "Ошибка."}, TextCase{"", ""}));

// The box is modal: a timer inside its own event loop notes what it shows and presses OK.
struct ShownBox {
  QString objectName;
  QString title;
  QString text;
  int buttons = 0;
};

TEST(ErrorBox, AnErrorEndsTheHandlerAndIsShownOnce) {
  std::vector<ShownBox> shown;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&shown] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    shown.push_back({box->objectName(), box->windowTitle(), box->text(), static_cast<int>(box->buttons().size())});
    box->button(QMessageBox::Ok)->click();
  });
  watcher.start(10);

  std::vector<int> steps;
  runGuarded(nullptr, [&] {
    steps.push_back(1);
    throw ListIndexError(7);
    steps.push_back(2);
  });
  runGuarded(nullptr, [&] { steps.push_back(3); });

  EXPECT_EQ(steps, (std::vector<int>{1, 3}));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].objectName, QStringLiteral("ErrorBox"));
  EXPECT_EQ(shown[0].text, QStringLiteral("List index out of bounds (7)"));
  EXPECT_EQ(shown[0].title, applicationTitle());
  EXPECT_EQ(shown[0].buttons, 1);
}

// The title comes from the executable's own file name, so it is checked in copies of this
// test program started under other names; the copy prints its title and exits.
constexpr char kPrintTitle[] = "TEMBR_TEST_PRINT_TITLE";

TEST(ErrorBoxTitle, PrintTitleWhenAsked) {
  if (!qEnvironmentVariableIsSet(kPrintTitle)) GTEST_SKIP() << "helper for ExecutableNameUpToItsFirstDot";
  QFile out;
  out.open(stdout, QIODevice::WriteOnly);
  out.write("title=" + applicationTitle().toUtf8() + "\n");
}

struct TitleCase {
  const char* fileName;
  const char* title;
};

class ErrorBoxTitleFromName : public testing::TestWithParam<TitleCase> {};

TEST_P(ErrorBoxTitleFromName, ExecutableNameUpToItsFirstDot) {
  TempFolder folder;
  const QString copy = folder.file(QString::fromUtf8(GetParam().fileName));
  // A hard link keeps its own name in /proc/self/exe; a copy where linking is not possible.
  if (::link(QFile::encodeName(QCoreApplication::applicationFilePath()).constData(),
             QFile::encodeName(copy).constData()) != 0) {
    ASSERT_TRUE(QFile::copy(QCoreApplication::applicationFilePath(), copy));
  }
  QProcess child;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QString::fromLatin1(kPrintTitle), QStringLiteral("1"));
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  child.setProcessEnvironment(environment);
  child.start(copy, {QStringLiteral("--gtest_filter=ErrorBoxTitle.PrintTitleWhenAsked")});
  ASSERT_TRUE(child.waitForFinished(60000));
  EXPECT_EQ(child.exitCode(), 0);
  const QString output = QString::fromUtf8(child.readAllStandardOutput());
  EXPECT_TRUE(output.contains(QStringLiteral("title=%1\n").arg(QString::fromUtf8(GetParam().title))))
      << output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Names, ErrorBoxTitleFromName,
                         testing::Values(TitleCase{"tembr", "tembr"}, TitleCase{"TEMBR.EXE", "Tembr"},
                                         TitleCase{"tEmBr.bin.old", "tembr"}, TitleCase{"my-Player", "my-player"}));

}  // namespace
