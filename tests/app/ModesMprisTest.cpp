// The window as a media player on a private session bus: each bus command drives the player as
// the window's button of the same meaning does, and the bus sees what the track is doing.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <future>

#include "app/TForm1.h"
#include "audio/TETrack.h"
#include "audio/decode/Decoder.h"
#include "audio/engine/Engine.h"
#include "tests/app/BoxWatcher.h"
#include "tests/app/StartedWindow.h"
#include "tests/audio/support/AudioFixtures.h"
#include "tests/support/EventLoopWait.h"
#include "tests/support/TestFiles.h"
#include "tests/ui/MprisClient.h"
#include "tests/ui/MprisPrivateBus.h"
#include "ui/MprisService.h"
#include "ui/TsGauge.h"

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
    audio::Engine::setCoverFolder(covers.path().toStdString());
    form.FormCreate();
    timerOf(form, "Timer1").stop();
    timerOf(form, "Timer4").stop();
    playlistOf(form).append({folder.write("first.wav", silentWav()), folder.write("second.wav", silentWav())});
    ASSERT_TRUE(mpris::client().interface()->isServiceRegistered(QString::fromLatin1(MprisService::kServiceName)));
  }

  TempFolder covers;
  TempFolder folder;
  TForm1 form{folder.path()};
};

TEST_F(ModesMprisTest, BusCommandsDriveThePlayer) {
  const Player& player = playerOf(form);
  EXPECT_EQ(status(), QStringLiteral("Stopped"));
  mpris::call(mpris::kPlayer, QStringLiteral("Next"));
  EXPECT_EQ(player.CurrentIndex(), 1);
  // The entry starts once its file has opened.
  EXPECT_TRUE(spinUntil([] { return status() == QStringLiteral("Playing"); }));

  mpris::call(mpris::kPlayer, QStringLiteral("PlayPause"));
  EXPECT_EQ(status(), QStringLiteral("Paused"));
  mpris::call(mpris::kPlayer, QStringLiteral("PlayPause"));
  EXPECT_EQ(status(), QStringLiteral("Playing"));

  mpris::call(mpris::kPlayer, QStringLiteral("Previous"));
  EXPECT_EQ(player.CurrentIndex(), 0);
  mpris::call(mpris::kPlayer, QStringLiteral("Stop"));
  EXPECT_EQ(status(), QStringLiteral("Stopped"));
  mpris::call(mpris::kPlayer, QStringLiteral("Pause"));
  EXPECT_EQ(status(), QStringLiteral("Stopped")) << "a stopped track does not pause";
  mpris::call(mpris::kPlayer, QStringLiteral("Play"));
  EXPECT_TRUE(spinUntil([] { return status() == QStringLiteral("Playing"); }));
}

// A command that reads no entry fails as the window's button does, in the window's error box.
TEST_F(ModesMprisTest, AFailingCommandShowsTheErrorBox) {
  playlistOf(form).clear();
  BoxWatcher boxes;
  mpris::call(mpris::kPlayer, QStringLiteral("Next"));
  EXPECT_TRUE(spinUntil([&] { return !boxes.texts().isEmpty(); }));
  EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("List index out of bounds (0)")});
}

// The media widget shows what the file's tags say, and its cover: the picture the file
// carries, written once to the cover folder, or a picture beside the file.
struct TrackCase {
  const char* what;
  QString (*make)(const TempFolder& folder);
  QString title, artist, album;
  int trackNumber;
  enum class Cover { None, Embedded, Beside } cover;
};

QString plainWav(const TempFolder& folder) { return folder.write("second.wav", silentWav()); }

QString taggedMp3(const TempFolder&) {
  const std::string wav = fixtures::writeSineWav("mpris-tagged.wav", 44100, 2, 440.0, 0.5);
  return QString::fromStdString(fixtures::encodeWithFfmpeg(
      wav, "mpris-tagged.mp3",
      "-f lavfi -i color=c=red:s=16x16:d=0.04 -map 0:a -map 1:v -c:v mjpeg -frames:v 1 -disposition:v attached_pic "
      "-metadata 'title=Первая' -metadata artist=Artist -metadata album=Album -metadata track=3/12 -id3v2_version 3"));
}

QString taggedOggBesideACover(const TempFolder& folder) {
  folder.write("cover.jpg", "not looked into");
  const std::string wav = fixtures::writeSineWav("mpris-ogg.wav", 44100, 2, 440.0, 0.5);
  const std::string ogg = fixtures::encodeWithFfmpeg(wav, "mpris-tagged.ogg",
                                                     "-c:a libvorbis -metadata 'title=Ogg title' -metadata artist=Singer");
  const QString path = folder.file("tagged.ogg");
  QFile::copy(QString::fromStdString(ogg), path);
  return path;
}

class ModesMprisTrack : public ModesMprisTest, public testing::WithParamInterface<TrackCase> {};

TEST_P(ModesMprisTrack, MetadataDescribesTheOpenFile) {
  EXPECT_FALSE(mpris::metadata().contains(QStringLiteral("xesam:url"))) << "nothing is open yet";
  const QString file = GetParam().make(folder);
  ASSERT_FALSE(file.isEmpty());
  playlistOf(form).append(file);
  playlistOf(form).select(playlistOf(form).count() - 1);
  playerOf(form).startSelectedEntry();
  ASSERT_TRUE(audio::Engine::instance().streamAwaitOpen(playerOf(form).Track()->Stream));
  const QVariantMap track = mpris::metadata();
  EXPECT_EQ(track.value(QStringLiteral("xesam:url")).toString(), QUrl::fromLocalFile(file).toString());
  EXPECT_EQ(track.value(QStringLiteral("xesam:title")).toString(), GetParam().title);
  EXPECT_EQ(qdbus_cast<QStringList>(track.value(QStringLiteral("xesam:artist"))).join(QLatin1Char(',')),
            GetParam().artist);
  EXPECT_EQ(track.value(QStringLiteral("xesam:album")).toString(), GetParam().album);
  EXPECT_EQ(track.value(QStringLiteral("xesam:trackNumber")).toInt(), GetParam().trackNumber);
  EXPECT_GT(track.value(QStringLiteral("mpris:length")).toLongLong(), 0);

  const QUrl art(track.value(QStringLiteral("mpris:artUrl")).toString());
  switch (GetParam().cover) {
    case TrackCase::Cover::None:
      EXPECT_TRUE(art.isEmpty()) << art.toString().toStdString();
      break;
    case TrackCase::Cover::Beside:
      EXPECT_EQ(art, QUrl::fromLocalFile(folder.file("cover.jpg")));
      break;
    case TrackCase::Cover::Embedded: {
      ASSERT_TRUE(art.isLocalFile()) << art.toString().toStdString();
      EXPECT_EQ(QFileInfo(art.toLocalFile()).path(), covers.path());
      QFile picture(art.toLocalFile());
      ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
      EXPECT_TRUE(picture.read(2) == QByteArray("\xFF\xD8")) << "not the JPEG the file carries";
      break;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ModesMprisTrack,
    testing::Values(TrackCase{"NoTags", plainWav, "second.wav", "", "", 0, TrackCase::Cover::None},
                    TrackCase{"Mp3WithTagsAndCover", taggedMp3, "Первая", "Artist", "Album", 3,
                              TrackCase::Cover::Embedded},
                    TrackCase{"OggBesideACover", taggedOggBesideACover, "Ogg title", "Singer", "", 0,
                              TrackCase::Cover::Beside}),
    [](const testing::TestParamInfo<TrackCase>& info) { return std::string(info.param.what); });

// A list that has played to its end plays nothing: the desktop is told so, and its play
// button then plays the last entry again from its start.
TEST_F(ModesMprisTest, StatusIsStoppedOnceTheListHasEndedAndPlayStartsAgain) {
  mpris::call(mpris::kPlayer, QStringLiteral("Next"));
  ASSERT_EQ(playerOf(form).CurrentIndex(), 1);
  EXPECT_TRUE(spinUntil([] { return status() == QStringLiteral("Playing"); }));
  EXPECT_TRUE(spinUntil([] { return status() == QStringLiteral("Stopped"); })) << "still " << status().toStdString();
  mpris::call(mpris::kPlayer, QStringLiteral("Play"));
  EXPECT_EQ(status(), QStringLiteral("Playing"));
  EXPECT_LT(mpris::property(mpris::kPlayer, QStringLiteral("Position")).toLongLong(), 250'000);
  EXPECT_EQ(playerOf(form).CurrentIndex(), 1);
}

// An entry that cannot be opened is never announced: the desktop keeps hearing of what plays.
TEST_F(ModesMprisTest, AnEntryThatCannotBeOpenedIsNeverAnnounced) {
  mpris::call(mpris::kPlayer, QStringLiteral("Next"));
  ASSERT_TRUE(audio::Engine::instance().streamAwaitOpen(playerOf(form).Track()->Stream));
  playlistOf(form).append(folder.file("missing.wav"));
  mpris::call(mpris::kPlayer, QStringLiteral("Next"));
  EXPECT_EQ(playerOf(form).CurrentIndex(), 2);
  audio::Engine::instance().streamAwaitOpen(playerOf(form).Track()->OpeningStream());
  EXPECT_EQ(mpris::metadata().value(QStringLiteral("xesam:title")).toString(), QStringLiteral("second.wav"));
  EXPECT_EQ(status(), QStringLiteral("Playing"));
}

// A desktop's "open with" over the bus adds the file and plays it, as a second start does.
TEST_F(ModesMprisTest, OpenUriAddsTheFileAndPlaysIt) {
  const QString file = folder.write("opened.wav", silentWav(44100, 30.0));
  mpris::call(mpris::kPlayer, QStringLiteral("OpenUri"), {QUrl::fromLocalFile(file).toString()});
  ASSERT_EQ(playlistOf(form).count(), 3);
  EXPECT_EQ(playlistOf(form).entry(2), file);
  EXPECT_EQ(playerOf(form).CurrentIndex(), 2);
  // The entry starts once its file has opened.
  EXPECT_TRUE(spinUntil([] { return status() == QStringLiteral("Playing"); }));
  EXPECT_EQ(playerOf(form).CurrentFile(), file);
  EXPECT_EQ(playerOf(form).Track()->State, PlayState::Playing);
}

// The shutdown takes the player off the bus before its track goes: a media key pressed
// while the shutdown's error box is open must not reach the window.
TEST_F(ModesMprisTest, NoBusCommandArrivesOnceOutsideInputsAreClosed) {
  form.CloseOutsideInputs();
  mpris::call(mpris::kPlayer, QStringLiteral("Next"));
  mpris::call(mpris::kPlayer, QStringLiteral("Play"));
  QCoreApplication::processEvents();
  EXPECT_EQ(playerOf(form).CurrentIndex(), 0);
  EXPECT_EQ(playerOf(form).Track()->State, PlayState::Stopped);
}

qlonglong position() { return mpris::property(mpris::kPlayer, QStringLiteral("Position")).toLongLong(); }

TEST_F(ModesMprisTest, TimesInMicrosecondsSeeksAndVolumeReachTheBus) {
  EXPECT_FALSE(mpris::property(mpris::kPlayer, QStringLiteral("CanSeek")).toBool()) << "nothing is open yet";
  playlistOf(form).append(folder.write("three minutes.wav", silentWav(8000, 180.0)));
  playlistOf(form).select(2);
  playerOf(form).startSelectedEntry();
  // The file opens in the background; the bus answers from what is known once it has.
  audio::Engine::instance().streamAwaitOpen(playerOf(form).Track()->Stream);
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
  EXPECT_EQ(part<TsGauge>(form, "sGauge2").Progress(), 7);
  EXPECT_EQ(playerOf(form).Track()->LastVolume, 7);
  EXPECT_DOUBLE_EQ(mpris::property(mpris::kPlayer, QStringLiteral("Volume")).toDouble(), 0.7);
}

// While a file opens, the one before plays on and the desktop is told of it alone: the name
// of the file that opens never comes with the length of the one before, nor the other way round.
TEST_F(ModesMprisTest, AFileThatOpensNeverTakesTheLengthOfTheOneBefore) {
  const QString before = folder.write("three minutes.wav", silentWav(8000, 180.0));
  playlistOf(form).append(before);
  playlistOf(form).select(2);
  playerOf(form).startSelectedEntry();
  ASSERT_TRUE(spinUntil([] { return mpris::metadata().value(QStringLiteral("mpris:length")).toLongLong() > 0; }));
  ASSERT_EQ(mpris::metadata().value(QStringLiteral("mpris:length")).toLongLong(), 180'000'000);

  std::promise<void> unstall;
  const std::shared_future<void> stalled = unstall.get_future().share();
  audio::Engine::setDecoderOpener([stalled](const std::string& path) {
    stalled.wait();
    return audio::openDecoder(path);
  });
  playlistOf(form).select(0);
  playerOf(form).startSelectedEntry();
  QVariantMap track = mpris::metadata();
  EXPECT_EQ(track.value(QStringLiteral("xesam:url")).toString(), QUrl::fromLocalFile(before).toString(QUrl::FullyEncoded))
      << "the file is still opening";
  EXPECT_EQ(track.value(QStringLiteral("mpris:length")).toLongLong(), 180'000'000);
  unstall.set_value();
  audio::Engine::instance().streamAwaitOpen(playerOf(form).Track()->OpeningStream());
  audio::Engine::setDecoderOpener(nullptr);
  EXPECT_TRUE(spinUntil([] { return mpris::metadata().value(QStringLiteral("mpris:length")).toLongLong() == 500'000; }));
  EXPECT_EQ(mpris::metadata().value(QStringLiteral("xesam:url")).toString(),
            QUrl::fromLocalFile(playlistOf(form).entry(0)).toString(QUrl::FullyEncoded));
}

TEST_F(ModesMprisTest, RaiseBringsBackAHiddenWindow) {
  form.show();
  form.hide();
  mpris::call(mpris::kRoot, QStringLiteral("Raise"));
  EXPECT_TRUE(form.isVisible());
}

}  // namespace
