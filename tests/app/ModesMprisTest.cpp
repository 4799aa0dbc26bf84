// The window as a media player on a private session bus: each bus command presses the
// button its tray item presses, and the bus sees what the track is doing.
#include <gtest/gtest.h>

#include <QAction>
#include <QDataStream>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "app/TForm1.h"
#include "audio/TETrack.h"
#include "tests/support/TestFiles.h"
#include "tests/ui/MprisClient.h"
#include "tests/ui/MprisPrivateBus.h"
#include "ui/MprisService.h"
#include "ui_TForm1.h"

namespace {

const MprisPrivateBus privateBus;

// Half a second of silence: 16-bit mono PCM at 44.1 kHz.
QByteArray silentWav() {
  constexpr quint32 kRate = 44100;
  constexpr quint32 kDataBytes = kRate;  // half a second of 2-byte samples
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  out.setByteOrder(QDataStream::LittleEndian);
  out.writeRawData("RIFF", 4);
  out << quint32(36 + kDataBytes);
  out.writeRawData("WAVEfmt ", 8);
  out << quint32(16) << quint16(1) << quint16(1) << kRate << quint32(kRate * 2) << quint16(2) << quint16(16);
  out.writeRawData("data", 4);
  out << kDataBytes;
  bytes.append(QByteArray(kDataBytes, '\0'));
  return bytes;
}

QString status() { return mpris::property(mpris::kPlayer, QStringLiteral("PlaybackStatus")).toString(); }

class ModesMprisTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(privateBus.started());
    form.FormCreate();
    form.Timer1->stop();
    form.Timer4->stop();
    form.ui->ListBox1->addItems({folder.write("first.wav", silentWav()), folder.write("second.wav", silentWav())});
    ASSERT_TRUE(form.Mpris->isRegistered());
  }

  int pressesOf(QAbstractButton* button, const QString& method) {
    int presses = 0;
    const QMetaObject::Connection counting = QObject::connect(button, &QAbstractButton::clicked, [&] { ++presses; });
    mpris::call(mpris::kPlayer, method);
    QObject::disconnect(counting);
    return presses;
  }

  TempFolder folder;
  TForm1 form{folder.path()};
};

TEST_F(ModesMprisTest, BusCommandsPressTheTransportButtons) {
  EXPECT_EQ(status(), QStringLiteral("Stopped"));
  EXPECT_EQ(pressesOf(form.ui->sBitBtn2, QStringLiteral("Next")), 1);
  EXPECT_EQ(form.CurrentIndex, 1);
  EXPECT_EQ(status(), QStringLiteral("Playing"));

  EXPECT_EQ(pressesOf(form.ui->BitBtn3, QStringLiteral("PlayPause")), 1);
  EXPECT_EQ(status(), QStringLiteral("Paused"));
  EXPECT_EQ(pressesOf(form.ui->BitBtn2, QStringLiteral("PlayPause")), 1);
  EXPECT_EQ(status(), QStringLiteral("Playing"));

  EXPECT_EQ(pressesOf(form.ui->sBitBtn3, QStringLiteral("Previous")), 1);
  EXPECT_EQ(form.CurrentIndex, 0);
  EXPECT_EQ(pressesOf(form.ui->BitBtn4, QStringLiteral("Stop")), 1);
  EXPECT_EQ(status(), QStringLiteral("Stopped"));
  EXPECT_EQ(pressesOf(form.ui->BitBtn3, QStringLiteral("Pause")), 1);
  EXPECT_EQ(pressesOf(form.ui->BitBtn2, QStringLiteral("Play")), 1);
}

TEST_F(ModesMprisTest, MetadataNamesTheOpenFile) {
  EXPECT_FALSE(mpris::metadata().contains(QStringLiteral("xesam:url"))) << "nothing is open yet";
  mpris::call(mpris::kPlayer, QStringLiteral("Next"));
  ASSERT_NE(form.Track->Stream, 0u);
  const QVariantMap track = mpris::metadata();
  EXPECT_EQ(track.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("second.wav"));
  EXPECT_EQ(track.value(QStringLiteral("xesam:url")).toString(),
            QUrl::fromLocalFile(folder.file("second.wav")).toString());
  EXPECT_GT(track.value(QStringLiteral("mpris:length")).toLongLong(), 0);
}

// The shutdown takes the player off the bus before its track goes: a media key pressed
// while the shutdown's error box is open must not reach the window.
TEST_F(ModesMprisTest, NoBusCommandArrivesOnceOutsideInputsAreClosed) {
  form.CloseOutsideInputs();
  EXPECT_EQ(pressesOf(form.ui->BitBtn2, QStringLiteral("Play")), 0);
  EXPECT_EQ(pressesOf(form.ui->sBitBtn2, QStringLiteral("Next")), 0);
}

TEST_F(ModesMprisTest, RaiseBringsBackAHiddenWindow) {
  form.show();
  form.hide();
  mpris::call(mpris::kRoot, QStringLiteral("Raise"));
  EXPECT_TRUE(form.isVisible());
}

}  // namespace
