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
#include "audio/engine/Engine.h"
#include "tests/support/EventLoopWait.h"
#include "tests/support/TestFiles.h"
#include "tests/ui/MprisClient.h"
#include "tests/ui/MprisPrivateBus.h"
#include "ui/MprisService.h"
#include "ui_TForm1.h"

namespace {

const MprisPrivateBus privateBus;

// Silence as 16-bit mono PCM.
QByteArray silentWav(quint32 rate = 44100, double seconds = 0.5) {
  const auto dataBytes = static_cast<quint32>(rate * seconds) * 2;
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  out.setByteOrder(QDataStream::LittleEndian);
  out.writeRawData("RIFF", 4);
  out << quint32(36 + dataBytes);
  out.writeRawData("WAVEfmt ", 8);
  out << quint32(16) << quint16(1) << quint16(1) << rate << quint32(rate * 2) << quint16(2) << quint16(16);
  out.writeRawData("data", 4);
  out << dataBytes;
  bytes.append(QByteArray(dataBytes, '\0'));
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
  // The entry starts once its file has opened.
  EXPECT_TRUE(spinUntil([] { return status() == QStringLiteral("Playing"); }));

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
  audio::Engine::instance().streamAwaitOpen(form.Track->Stream);
  const QVariantMap track = mpris::metadata();
  EXPECT_EQ(track.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("second.wav"));
  EXPECT_EQ(track.value(QStringLiteral("xesam:url")).toString(),
            QUrl::fromLocalFile(folder.file("second.wav")).toString());
  EXPECT_GT(track.value(QStringLiteral("mpris:length")).toLongLong(), 0);

  // An entry that cannot be opened is never announced.
  form.ui->ListBox1->addItem(folder.file("missing.wav"));
  mpris::call(mpris::kPlayer, QStringLiteral("Next"));
  EXPECT_EQ(form.CurrentIndex, 2);
  audio::Engine::instance().streamAwaitOpen(form.Track->OpeningStream());
  EXPECT_EQ(mpris::metadata().value(QStringLiteral("xesam:title")).toString(), QStringLiteral("second.wav"));
  EXPECT_EQ(status(), QStringLiteral("Playing"));
}

// The shutdown takes the player off the bus before its track goes: a media key pressed
// while the shutdown's error box is open must not reach the window.
TEST_F(ModesMprisTest, NoBusCommandArrivesOnceOutsideInputsAreClosed) {
  form.CloseOutsideInputs();
  EXPECT_EQ(pressesOf(form.ui->BitBtn2, QStringLiteral("Play")), 0);
  EXPECT_EQ(pressesOf(form.ui->sBitBtn2, QStringLiteral("Next")), 0);
}

qlonglong position() { return mpris::property(mpris::kPlayer, QStringLiteral("Position")).toLongLong(); }

TEST_F(ModesMprisTest, TimesInMicrosecondsSeeksAndVolumeReachTheBus) {
  EXPECT_FALSE(mpris::property(mpris::kPlayer, QStringLiteral("CanSeek")).toBool()) << "nothing is open yet";
  form.ui->ListBox1->addItem(folder.write("three minutes.wav", silentWav(8000, 180.0)));
  form.ui->ListBox1->setCurrentRow(2);
  form.ListBox1Click();
  // The file opens in the background; the bus answers from what is known once it has.
  audio::Engine::instance().streamAwaitOpen(form.Track->Stream);
  mpris::call(mpris::kPlayer, QStringLiteral("Pause"));
  const QVariantMap track = mpris::metadata();
  EXPECT_EQ(track.value(QStringLiteral("mpris:length")).toLongLong(), 180'000'000);
  EXPECT_TRUE(mpris::property(mpris::kPlayer, QStringLiteral("CanSeek")).toBool());

  mpris::call(mpris::kPlayer, QStringLiteral("SetPosition"),
              {track.value(QStringLiteral("mpris:trackid")), qlonglong{90'000'000}});
  EXPECT_EQ(position(), 90'000'000) << "paused where it was sent";
  mpris::call(mpris::kPlayer, QStringLiteral("Seek"), {qlonglong{-30'000'000}});
  EXPECT_EQ(position(), 60'000'000);
  mpris::call(mpris::kPlayer, QStringLiteral("Play"));
  EXPECT_TRUE(spinUntil([] { return position() > 60'000'000; })) << "the position follows playback";

  mpris::call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
              {mpris::kPlayer, QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(0.7))});
  EXPECT_EQ(form.ui->sGauge2->Progress(), 7);
  EXPECT_EQ(form.Track->LastVolume, 7);
  EXPECT_DOUBLE_EQ(mpris::property(mpris::kPlayer, QStringLiteral("Volume")).toDouble(), 0.7);
}

TEST_F(ModesMprisTest, RaiseBringsBackAHiddenWindow) {
  form.show();
  form.hide();
  mpris::call(mpris::kRoot, QStringLiteral("Raise"));
  EXPECT_TRUE(form.isVisible());
}

}  // namespace
