// The hidden key sequences from real key presses on a Russian layout, where the letter keys
// type Cyrillic letters. The keys are pressed through XTEST (xdotool) by their keycodes, as a
// keyboard would, on an X server of the test's own, so that switching its layout disturbs no
// other test.

#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QWindow>

#include "app/TForm1.h"
#include "tests/app/BoxWatcher.h"
#include "tests/app/StartedWindow.h"
#include "tests/support/EventLoopWait.h"
#include "tests/support/PrivateXServer.h"
#include "tests/support/TestFiles.h"
#include "tests/ui/MprisPrivateBus.h"

namespace {

const PrivateXServer xServer;
// Keeps Qt from starting a desktop bus for the private X server.
const MprisPrivateBus privateBus;

struct LayoutCase {
  const char* name;
  const char* modifier;
  QStringList keycodes;  // of the letters' keys on a US keyboard
  const char* message;
};

class KeysX11Test : public testing::TestWithParam<LayoutCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(xServer.started());
    ASSERT_EQ(QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("ru")}), 0);
    form.FormCreate();
    timerOf(form, "Timer1").stop();
    timerOf(form, "Timer4").stop();
    form.show();
    form.activateWindow();
    ASSERT_TRUE(spinUntil([&] { return QGuiApplication::focusWindow() == form.windowHandle(); }));
  }

  TempFolder folder;
  TForm1 form{folder.path()};
};

TEST_P(KeysX11Test, TheSequenceCompletesOnARussianLayout) {
  BoxWatcher boxes;

  // The modifier stays down from the first letter to the last: pressing it again would start
  // the sequence over.
  QStringList presses = {QStringLiteral("keydown"), QString::fromLatin1(GetParam().modifier)};
  for (const QString& keycode : GetParam().keycodes) presses << QStringLiteral("key") << keycode;
  presses << QStringLiteral("keyup") << QString::fromLatin1(GetParam().modifier);
  QProcess xdotool;
  xdotool.start(QStringLiteral("xdotool"), presses);
  ASSERT_TRUE(spinUntil([&] { return xdotool.state() == QProcess::NotRunning; }));
  EXPECT_EQ(xdotool.exitCode(), 0);
  spinUntil([&] { return !boxes.texts().isEmpty(); });
  EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8(GetParam().message)});
}

// X keycodes: Q 24, A 38, Z 52, U 30, I 31, V 55, E 26, R 27.
INSTANTIATE_TEST_SUITE_P(
    Sequences, KeysX11Test,
    testing::Values(LayoutCase{"Ctrl", "ctrl", {"24", "38", "52", "30"}, "ЭТО KORVANE"},
                    LayoutCase{"Shift", "shift", {"24", "30", "31", "55", "26", "27"}, "ololololololo"}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

}  // namespace
