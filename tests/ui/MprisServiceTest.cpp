// The media-player service as a desktop client sees it: method calls and properties go
// through a private session bus, from a second connection, as they would from a panel.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <chrono>
#include <functional>
#include <vector>

#include "tests/ui/MprisClient.h"
#include "tests/ui/MprisPrivateBus.h"
#include "ui/MprisService.h"

// Receives PropertiesChanged from the service.
class ChangeListener : public QObject {
  Q_OBJECT
 public:
  QList<QVariantMap> changes;
  QEventLoop* waiting = nullptr;

 public slots:
  void changed(const QString& interface, const QVariantMap& properties, const QStringList&) {
    if (interface != QStringLiteral("org.mpris.MediaPlayer2.Player")) return;
    changes << properties;
    if (waiting != nullptr) waiting->quit();
  }
};

// Receives Seeked from the service.
class SeekListener : public QObject {
  Q_OBJECT
 public:
  QList<qlonglong> positions;

 public slots:
  void seeked(qlonglong position) { positions << position; }
};

namespace {

const MprisPrivateBus privateBus;

using mpris::client;
using mpris::kPlayer;
using mpris::kRoot;
using mpris::metadata;
using mpris::property;

// A player whose commands are recorded and whose playback the test sets.
struct RecordingPlayer {
  QStringList commands;
  MprisPlayback playback;

  MprisHooks hooks() {
    auto record = [this](const char* name) { return [this, name] { commands << QString::fromLatin1(name); }; };
    MprisHooks hooks;
    hooks.raise = record("raise");
    hooks.quit = record("quit");
    hooks.play = record("play");
    hooks.pause = record("pause");
    hooks.stop = record("stop");
    hooks.next = record("next");
    hooks.previous = record("previous");
    hooks.openFile = [this](const QUrl& file) { commands << QStringLiteral("open ") + file.toString(); };
    hooks.seek = [this](std::chrono::microseconds position) {
      commands << QStringLiteral("seek %1").arg(position.count());
      playback.position = position;
    };
    hooks.setVolume = [this](double volume) { commands << QStringLiteral("volume %1").arg(volume); };
    hooks.playback = [this] { return playback; };
    return hooks;
  }
};

QString trackId(const QVariantMap& map) {
  return map.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path();
}

class MprisServiceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(privateBus.started()); }
  RecordingPlayer player;
};

TEST_F(MprisServiceTest, EachCommandReachesItsHook) {
  MprisService service(player.hooks());
  ASSERT_TRUE(service.isRegistered());
  const std::pair<const char*, const char*> table[] = {
      {"Play", "play"}, {"Pause", "pause"}, {"Stop", "stop"}, {"Next", "next"}, {"Previous", "previous"},
  };
  for (const auto& [method, hook] : table) {
    player.commands.clear();
    mpris::call(kPlayer, QString::fromLatin1(method));
    EXPECT_EQ(player.commands, QStringList{QString::fromLatin1(hook)}) << method;
  }
  player.commands.clear();
  mpris::call(kRoot, QStringLiteral("Raise"));
  mpris::call(kRoot, QStringLiteral("Quit"));
  EXPECT_EQ(player.commands, (QStringList{QStringLiteral("raise"), QStringLiteral("quit")}));
}

TEST_F(MprisServiceTest, PlayPausePausesOnlyWhatIsPlaying) {
  MprisService service(player.hooks());
  const std::pair<MprisPlayback::Status, const char*> table[] = {
      {MprisPlayback::Status::Playing, "pause"},
      {MprisPlayback::Status::Paused, "play"},
      {MprisPlayback::Status::Stopped, "play"},
  };
  for (const auto& [status, hook] : table) {
    player.commands.clear();
    player.playback.status = status;
    mpris::call(kPlayer, QStringLiteral("PlayPause"));
    EXPECT_EQ(player.commands, QStringList{QString::fromLatin1(hook)});
  }
}

// What the desktop's media widget shows: the file's tags where it has them, its name
// otherwise, and URLs that name the files byte for byte.
struct MetadataCase {
  const char* what;
  std::function<void(MprisPlayback&)> describe;
  QVariantMap expected;  // entries besides mpris:trackid and mpris:length
};

TEST_F(MprisServiceTest, MetadataDescribesTheOpenFile) {
  const MetadataCase cases[] = {
      {"a name without tags", [](MprisPlayback& p) { p.filePath = "/music/Песня 1.mp3"; },
       {{"xesam:url", "file:///music/%D0%9F%D0%B5%D1%81%D0%BD%D1%8F%201.mp3"}, {"xesam:title", "Песня 1.mp3"}}},
      {"a name that is not UTF-8", [](MprisPlayback& p) { p.filePath = "/music/\xFF\xFE.mp3"; },
       {{"xesam:url", "file:///music/%FF%FE.mp3"}, {"xesam:title", "\uFFFD\uFFFD.mp3"}}},
      {"tags and a cover",
       [](MprisPlayback& p) {
         p.filePath = "/music/01.flac";
         p.title = "Первая";
         p.artist = "Artist";
         p.album = "Album";
         p.trackNumber = 3;
         p.coverPath = "/cache/tembr/0123.jpg";
       },
       {{"xesam:url", "file:///music/01.flac"},
        {"xesam:title", "Первая"},
        {"xesam:artist", QStringList{"Artist"}},
        {"xesam:album", "Album"},
        {"xesam:trackNumber", 3},
        {"mpris:artUrl", "file:///cache/tembr/0123.jpg"}}},
  };
  MprisService service(player.hooks());
  EXPECT_EQ(trackId(metadata()), QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
  EXPECT_FALSE(metadata().contains(QStringLiteral("xesam:url")));
  for (const MetadataCase& c : cases) {
    player.playback = MprisPlayback{};
    player.playback.length = std::chrono::microseconds(183'500'000);
    c.describe(player.playback);
    QVariantMap seen = metadata();
    EXPECT_FALSE(trackId(seen).startsWith(QStringLiteral("/org/mpris"))) << c.what;
    EXPECT_EQ(seen.take(QStringLiteral("mpris:length")).toLongLong(), 183'500'000) << c.what;
    seen.remove(QStringLiteral("mpris:trackid"));
    if (seen.contains(QStringLiteral("xesam:artist"))) {
      seen[QStringLiteral("xesam:artist")] = qdbus_cast<QStringList>(seen.value(QStringLiteral("xesam:artist")));
    }
    EXPECT_EQ(seen, c.expected) << c.what;
  }

  const QString first = trackId(metadata());
  EXPECT_EQ(trackId(metadata()), first) << "the same file keeps its id";
  player.playback.filePath = "/music/other.ogg";
  EXPECT_NE(trackId(metadata()), first);
}

TEST_F(MprisServiceTest, FixedPropertiesAnswerTheDesktop) {
  MprisService service(player.hooks());
  player.playback.volume = 0.7;
  player.playback.position = std::chrono::microseconds(42'000'000);
  EXPECT_EQ(property(kRoot, QStringLiteral("Identity")).toString(), QStringLiteral("Tembr"));
  EXPECT_EQ(property(kRoot, QStringLiteral("DesktopEntry")).toString(), QStringLiteral("tembr"));
  EXPECT_FALSE(property(kPlayer, QStringLiteral("CanSeek")).toBool()) << "no track is open";
  EXPECT_DOUBLE_EQ(property(kPlayer, QStringLiteral("Volume")).toDouble(), 0.7);
  EXPECT_EQ(property(kPlayer, QStringLiteral("Position")).toLongLong(), 42'000'000);
}

// Seeks and volume changes from the desktop, by the rules of the media-player interface: a
// relative seek before the start goes to the start and one past the end acts as Next; an
// absolute one is ignored for another track or a time outside the track; the volume is held
// to 0.0 .. 1.0. Every seek is followed by Seeked with the new position.
struct SeekCase {
  const char* what;
  const char* method;
  std::function<QVariantList(const QString& trackId)> arguments;
  QString command;  // empty: nothing reaches the player
  bool seeked;
};

TEST_F(MprisServiceTest, SeeksAndVolumeFollowTheInterfaceRules) {
  auto at = [](qlonglong us) { return [us](const QString&) { return QVariantList{us}; }; };
  auto setAt = [](qlonglong us, bool sameTrack) {
    return [us, sameTrack](const QString& trackId) {
      const QString id = sameTrack ? trackId : QStringLiteral("/org/tembr/track/999");
      return QVariantList{QVariant::fromValue(QDBusObjectPath(id)), us};
    };
  };
  auto volume = [](double value) {
    return [value](const QString&) {
      return QVariantList{kPlayer, QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(value))};
    };
  };
  const SeekCase cases[] = {
      {"forward", "Seek", at(30'000'000), QStringLiteral("seek 90000000"), true},
      {"back before the start", "Seek", at(-90'000'000), QStringLiteral("seek 0"), true},
      {"past the end", "Seek", at(150'000'000), QStringLiteral("next"), false},
      {"to a time", "SetPosition", setAt(120'000'000, true), QStringLiteral("seek 120000000"), true},
      {"to the end", "SetPosition", setAt(180'000'000, true), QStringLiteral("seek 180000000"), true},
      {"another track", "SetPosition", setAt(120'000'000, false), QString(), false},
      {"beyond the end", "SetPosition", setAt(180'000'001, true), QString(), false},
      {"before the start", "SetPosition", setAt(-1, true), QString(), false},
      {"volume", "Set", volume(0.35), QStringLiteral("volume 0.35"), false},
      {"volume above the top", "Set", volume(1.7), QStringLiteral("volume 1"), false},
      {"volume below the bottom", "Set", volume(-0.2), QStringLiteral("volume 0"), false},
  };
  MprisService service(player.hooks());
  player.playback.filePath = "/music/a.flac";
  player.playback.length = std::chrono::microseconds(180'000'000);
  EXPECT_TRUE(property(kPlayer, QStringLiteral("CanSeek")).toBool());
  const QString trackId = metadata().value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path();
  SeekListener listener;
  ASSERT_TRUE(client().connect(service.serviceName(), QString::fromLatin1(MprisService::kObjectPath), kPlayer,
                               QStringLiteral("Seeked"), &listener, SLOT(seeked(qlonglong))));
  for (const SeekCase& c : cases) {
    player.commands.clear();
    listener.positions.clear();
    player.playback.position = std::chrono::microseconds(60'000'000);
    const bool isSet = QString::fromLatin1(c.method) == QStringLiteral("Set");
    const QDBusMessage reply = mpris::call(isSet ? QStringLiteral("org.freedesktop.DBus.Properties") : kPlayer,
                                           QString::fromLatin1(c.method), c.arguments(trackId));
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << c.what;
    EXPECT_EQ(player.commands, c.command.isEmpty() ? QStringList() : QStringList{c.command}) << c.what;
    // A round trip on the same connection delivers every signal sent before its answer.
    mpris::property(kPlayer, QStringLiteral("Position"));
    QCoreApplication::processEvents();
    // Compared as standard vectors: Qt's comparison of two empty lists hands memcmp a null
    // pointer, which the undefined-behaviour sanitizer rejects.
    const std::vector<qlonglong> heard(listener.positions.begin(), listener.positions.end());
    const std::vector<qlonglong> expected =
        c.seeked ? std::vector<qlonglong>{player.playback.position.count()} : std::vector<qlonglong>{};
    EXPECT_EQ(heard, expected) << c.what;
  }
}

TEST_F(MprisServiceTest, ChangesOfStatusAndTrackAreAnnounced) {
  MprisService service(player.hooks());
  ChangeListener listener;
  ASSERT_TRUE(client().connect(service.serviceName(), QString::fromLatin1(MprisService::kObjectPath),
                               QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"),
                               &listener, SLOT(changed(QString, QVariantMap, QStringList))));
  auto waitForChange = [&] {
    QEventLoop loop;
    listener.waiting = &loop;
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);  // a safety net only
    loop.exec();
    listener.waiting = nullptr;
  };

  player.playback.status = MprisPlayback::Status::Playing;
  player.playback.filePath = "/music/a.flac";
  player.playback.length = std::chrono::microseconds(180'000'000);
  waitForChange();
  ASSERT_EQ(listener.changes.size(), 1);
  EXPECT_EQ(listener.changes[0].value(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Playing"));
  const QVariantMap track = qdbus_cast<QVariantMap>(listener.changes[0].value(QStringLiteral("Metadata")));
  EXPECT_EQ(track.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("a.flac"));

  player.playback.status = MprisPlayback::Status::Paused;
  waitForChange();
  ASSERT_EQ(listener.changes.size(), 2);
  EXPECT_EQ(listener.changes[1].keys(), QStringList{QStringLiteral("PlaybackStatus")}) << "the track did not change";

  // At its end the decoder knows the track's exact length; the desktop keeps the one it has.
  player.playback.status = MprisPlayback::Status::Stopped;
  player.playback.length = std::chrono::microseconds(179'900'000);
  waitForChange();
  ASSERT_EQ(listener.changes.size(), 3);
  EXPECT_EQ(listener.changes[2].value(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));
  EXPECT_EQ(listener.changes[2].keys(), QStringList{QStringLiteral("PlaybackStatus")});
}

TEST_F(MprisServiceTest, OnlyLocalFilesAreOpened) {
  MprisService service(player.hooks());
  mpris::call(kPlayer, QStringLiteral("OpenUri"), {QStringLiteral("file:///music/new%20song.wav")});
  mpris::call(kPlayer, QStringLiteral("OpenUri"), {QStringLiteral("http://example.org/stream.mp3")});
  EXPECT_EQ(player.commands, QStringList{QStringLiteral("open file:///music/new song.wav")});
}

TEST_F(MprisServiceTest, ASecondPlayerTakesAnInstanceName) {
  MprisService first(player.hooks());
  RecordingPlayer other;
  MprisService second(other.hooks(),
                      QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("second-player")));
  ASSERT_TRUE(second.isRegistered());
  EXPECT_EQ(first.serviceName(), QString::fromLatin1(MprisService::kServiceName));
  EXPECT_TRUE(second.serviceName().startsWith(first.serviceName() + QStringLiteral(".instance")));
}

TEST_F(MprisServiceTest, WithoutABusThePlayerStillWorks) {
  MprisService service(player.hooks(), QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                                     QStringLiteral("no-bus")));
  EXPECT_FALSE(service.isRegistered());
  service.refresh();
  service.playPause();
  EXPECT_EQ(player.commands, QStringList{QStringLiteral("play")});
}

// The value of `key` in the desktop entry that the install rules put in place.
QString desktopEntryValue(const QString& key) {
  QFile file(QStringLiteral(TEMBR_TEST_DATA "/../../ui/tembr.desktop"));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  const QString prefix = key + QLatin1Char('=');
  for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
    if (line.startsWith(prefix)) return line.mid(prefix.size());
  }
  return {};
}

// The desktop starts one player with every file chosen, and offers it folders and playlist
// files too, which the command line reads; the service opens audio files only.
TEST(DesktopEntryTest, OffersTheTypesTheServiceAnnouncesAndFoldersAndPlaylists) {
  EXPECT_EQ(desktopEntryValue(QStringLiteral("Exec")), QStringLiteral("tembr %F"));
  EXPECT_EQ(desktopEntryValue(QStringLiteral("Icon")), QStringLiteral("tembr"));
  QStringList types = desktopEntryValue(QStringLiteral("MimeType")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
  types.sort();
  QStringList expected = MprisService::supportedMimeTypes() +
                         QStringList{"inode/directory", "audio/x-mpegurl", "audio/x-scpls"};
  expected.sort();
  EXPECT_EQ(types, expected);
}

}  // namespace

#include "MprisServiceTest.moc"
