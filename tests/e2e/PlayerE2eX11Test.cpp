// The built player from the outside: its window on the X server, what reaches the sound card
// (SDL's disk driver), its two files, and a second start. Every check is one a user could
// make by watching, listening or looking at the files afterwards.

#include <gtest/gtest.h>
#include <signal.h>

#include <QFileInfo>
#include <cmath>
#include <string>
#include <vector>

#include "tests/audio/support/AudioFixtures.h"
#include "tests/e2e/PlayerProcess.h"
#include "tests/settings/ReadOnlyFile.h"
#include "tests/support/PrivateXServer.h"

using namespace e2e;

namespace {

// The player's window opens at one place and stays above all others, and so does the window
// of any test running beside these on the shared server: a click aimed at one of the
// player's buttons could land on another test's window. Each test here has a server of its
// own.
const PrivateXServer xServer;

QString tone(const std::string& name, double frequency, double seconds) {
  return QString::fromStdString(fixtures::writeSineWav(name, kRate, 2, frequency, seconds, 0.5));
}

QString nameOf(const QString& path) { return QFileInfo(path).fileName(); }

QString configText(const Player& player) {
  QFile file(player.file(QStringLiteral("Config.ini")));
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// One tone as heard: stretches of sound of one pitch, joined across any dropout that a busy
// machine may cause inside it.
struct Track {
  size_t begin = 0, end = 0, soundFrames = 0;
  double pitch = 0.0;
};

// Tones follow one another without a gap, so sound is cut into short windows and a track is
// a row of windows of one pitch. A window across a change of pitch belongs to neither.
std::vector<Track> tracksHeard(const std::vector<float>& samples) {
  constexpr size_t kWindow = kRate / 50;
  std::vector<Track> tracks;
  for (const Sound& run : sounds(samples)) {
    for (size_t begin = run.begin; begin + kWindow <= run.end; begin += kWindow) {
      const size_t end = begin + kWindow;
      const double frequency = pitch(samples, begin, end);
      if (!tracks.empty() && std::fabs(tracks.back().pitch - frequency) < 0.03 * frequency) {
        tracks.back().end = end;
        tracks.back().soundFrames += kWindow;
      } else {
        tracks.push_back(Track{begin, end, kWindow, frequency});
      }
    }
  }
  std::erase_if(tracks, [](const Track& t) { return t.soundFrames <= kWindow; });
  return tracks;
}

// The next-track ">>" and previous-track "<<" buttons, at the ends of the position bar.
constexpr int kPreviousX = 273, kPreviousY = 128;

TEST(PlayerE2e, PlaysTheSavedListInOrderThenClosesAtItsEnd) {
  const std::vector<double> pitches = {330.0, 550.0, 880.0};
  QStringList entries;
  for (double frequency : pitches) entries << tone("e2e-order-" + std::to_string(int(frequency)) + ".wav", frequency, 1.0);
  Player player;
  player.savePlaylist(entries);
  player.saveConfig(QStringLiteral("scheckbox5.Checked=1"));
  player.start();

  for (int i = 0; i < entries.size(); ++i) {
    ASSERT_TRUE(player.waitForTitle(nameOf(entries[i]))) << "caption never showed entry " << i;
    screenshot(QStringLiteral("order-entry%1").arg(i));
  }
  // "exit " closes the window after the last entry; the shutdown saves both files.
  ASSERT_TRUE(player.endsCleanly());
  EXPECT_EQ(player.savedPlaylist(), entries);
  EXPECT_TRUE(configText(player).contains(QStringLiteral("scheckbox5.Checked=1")));

  const Captured heard = player.capture();
  const std::vector<Track> tracks = tracksHeard(heard.left);
  ASSERT_EQ(tracks.size(), pitches.size()) << "the capture holds " << tracks.size() << " tones";
  for (size_t i = 0; i < tracks.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(static_cast<double>(tracks[i].soundFrames) / kRate, 1.0, 0.05);
    EXPECT_NEAR(tracks[i].pitch, pitches[i], pitches[i] * 0.01);
    if (i > 0) {
      // The next entry follows the last sample of the one before: no gap at all, give or take
      // the window across the change of pitch.
      const double gap = static_cast<double>(tracks[i].begin - tracks[i - 1].end) / kRate;
      EXPECT_LE(gap, 1.0 / 50) << "a gap before entry " << i;
    }
  }
}

TEST(PlayerE2e, RepeatListStartsOverAndATerminateSignalStillSavesBothFiles) {
  const QStringList entries = {tone("e2e-repeat-a.wav", 440.0, 0.3), tone("e2e-repeat-b.wav", 660.0, 0.3)};
  Player player;
  player.savePlaylist(entries);
  player.saveConfig(QStringLiteral("checkbox1.Checked=1"));
  player.start(QStringLiteral("dummy"));

  ASSERT_TRUE(player.waitForTitle(nameOf(entries[0])));
  ASSERT_TRUE(player.waitForTitle(nameOf(entries[1])));
  ASSERT_TRUE(player.waitForTitle(nameOf(entries[0]))) << "the list did not start over";
  screenshot(QStringLiteral("repeat-started-over"));

  // Whatever was on disk goes; what the player writes at the end must come back.
  QFile::remove(player.file(QStringLiteral("PLIST.LST")));
  QFile::remove(player.file(QStringLiteral("Config.ini")));
  ::kill(static_cast<pid_t>(player.process().processId()), SIGTERM);
  ASSERT_TRUE(player.endsCleanly());
  EXPECT_EQ(player.savedPlaylist(), entries);
  EXPECT_TRUE(configText(player).contains(QStringLiteral("checkbox1.Checked=1")));
}

struct EqualiserCase {
  const char* name;
  QString bands;    // EQLayzer keys of the 600 Hz and 6000 Hz sliders
  double low, high; // the expected change of the 600 Hz tone against the 6000 Hz one, in dB
};

class PlayerEqualiser : public testing::TestWithParam<EqualiserCase> {};

TEST_P(PlayerEqualiser, SlidersInTheSettingsShapeWhatIsHeard) {
  // Two tones of equal strength; the equaliser, switched on in Config.ini, tilts them.
  std::vector<int16_t> samples;
  for (int i = 0; i < kRate * 3 / 2; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const auto value = static_cast<int16_t>(8000.0 * (std::sin(2 * M_PI * 600 * t) + std::sin(2 * M_PI * 6000 * t)));
    samples.push_back(value);
    samples.push_back(value);
  }
  const QString file = QString::fromStdString(fixtures::writeWav(std::string("e2e-eq-") + GetParam().name + ".wav", kRate, 2, samples));
  Player player;
  player.savePlaylist({file});
  const QString others = QStringLiteral(
      "strackbar3.position=0\nstrackbar5.position=0\nstrackbar4.position=0\nstrackbar6.position=0\n"
      "strackbar9.position=0\nstrackbar10.position=0\nstrackbar11.position=0\nstrackbar12.position=0\n");
  player.saveConfig(QStringLiteral("scheckbox8.Checked=1\nscheckbox5.Checked=1"), others + GetParam().bands);
  player.start();
  ASSERT_TRUE(player.endsCleanly());

  const Captured heard = player.capture();
  const std::vector<Sound> runs = sounds(heard.left);
  ASSERT_EQ(runs.size(), 1u);
  // The middle second, clear of the filters' settling.
  const size_t begin = runs[0].begin + kRate / 4, end = runs[0].end - kRate / 4;
  const double tilt = 20.0 * std::log10(strength(heard.left, begin, end, 600.0) / strength(heard.left, begin, end, 6000.0));
  std::printf("600 Hz against 6000 Hz: %+.2f dB\n", tilt);
  EXPECT_GT(tilt, GetParam().low);
  EXPECT_LT(tilt, GetParam().high);
}

INSTANTIATE_TEST_SUITE_P(
    Bands, PlayerEqualiser,
    testing::Values(EqualiserCase{"LowRaised", QStringLiteral("strackbar7.position=7\nstrackbar8.position=0"), 5.0, 9.0},
                    EqualiserCase{"HighRaised", QStringLiteral("strackbar7.position=0\nstrackbar8.position=7"), -9.0, -5.0},
                    EqualiserCase{"Flat", QStringLiteral("strackbar7.position=0\nstrackbar8.position=0"), -1.0, 1.0}),
    [](const testing::TestParamInfo<EqualiserCase>& info) { return std::string(info.param.name); });

TEST(PlayerE2e, EachStartAddsItsFileAndClosingTheWindowSavesThem) {
  const QString first = tone("e2e-handoff-first.wav", 440.0, 30.0);
  const QString handed = tone("e2e-handoff-handed.wav", 880.0, 30.0);
  Player player;
  player.savePlaylist({first});
  player.saveConfig(QString());
  // "Open with" on a file while no player runs; the path is relative to the working folder.
  const QString own = player.file(QStringLiteral("own.wav"));
  ASSERT_TRUE(QFile::copy(tone("e2e-handoff-own.wav", 660.0, 30.0), own));
  player.start(QStringLiteral("dummy"), {nameOf(own)});
  ASSERT_TRUE(player.waitForTitle(nameOf(own))) << "the first start did not play its own file";

  // A second start of the same installation hands its argument over and ends.
  EXPECT_EQ(player.startSecond({handed}), 0);
  ASSERT_TRUE(player.waitForTitle(nameOf(handed))) << "the running player did not take the file";
  screenshot(QStringLiteral("handoff-added"));

  player.click(kPreviousX, kPreviousY);
  ASSERT_TRUE(player.waitForTitle(nameOf(own))) << "\"<<\" did not go back";
  screenshot(QStringLiteral("handoff-previous"));

  ASSERT_TRUE(requestClose(player.window()));
  ASSERT_TRUE(player.endsCleanly());
  EXPECT_EQ(player.savedPlaylist(), QStringList({first, QFileInfo(own).canonicalFilePath(), handed}));
  EXPECT_FALSE(configText(player).isEmpty());
}

// A playlist file that cannot be replaced makes a shutdown that the user asked for show its
// error box, in whose event loop a second start must not reach the window: its track is gone
// by then. The start waits instead until the box is answered and the player has gone, and
// then runs the player itself with its file.
TEST(PlayerE2e, AStartDuringTheShutdownErrorBoxRunsThePlayerOnceItHasGone) {
  Player player;
  player.savePlaylist({});
  const QByteArray saved = player.folder().read(QStringLiteral("PLIST.LST"));
  const ReadOnlyFile playlist(player.folder(), QStringLiteral("PLIST.LST"), saved);
  if (!playlist.made()) GTEST_SKIP() << "the file system cannot make a file read-only for this user";
  player.start(QStringLiteral("dummy"));
  const unsigned long window = player.window();
  ASSERT_NE(window, 0ul);
  EXPECT_EQ(player.title(), QString()) << "with nothing played the title bar stays empty";

  ASSERT_TRUE(requestClose(window));
  unsigned long box = 0;
  waitFor([&] {
    for (const unsigned long shown : player.visibleWindows()) {
      if (shown != window) box = shown;
    }
    return box != 0 || !player.running();
  });
  ASSERT_NE(box, 0ul) << "no error box";
  screenshot(QStringLiteral("shutdown-error-box"));
  EXPECT_EQ(Player::titleOf(box), QStringLiteral("tembr"));
  const QPoint offCentre = windowGeometry(box).center() - QRect(QPoint(), screenSize()).center();
  EXPECT_LE(offCentre.manhattanLength(), 1) << "the box is not in the middle of the screen";

  const QString handed = tone("e2e-shutdown-handed.wav", 440.0, 30.0);
  const std::unique_ptr<QProcess> next = player.startAnother({handed});
  // Time for the start to find the player ending; it must wait, not reach the window.
  next->waitForFinished(500);
  ASSERT_TRUE(player.running()) << "the hand-off reached the window during its shutdown";
  ASSERT_TRUE(requestClose(box));
  EXPECT_TRUE(player.endsCleanly());
  EXPECT_EQ(player.folder().read(QStringLiteral("PLIST.LST")), saved);

  const QString pid = QString::number(next->processId());
  EXPECT_TRUE(waitFor([&] {
    const QString shown = run(QStringLiteral("xdotool"),
                              {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), pid});
    for (const QString& line : shown.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
      if (Player::titleOf(line.toULong()) == nameOf(handed)) return true;
    }
    return next->state() != QProcess::Running;
  }) && next->state() == QProcess::Running) << "the start did not run the player with its file";
  screenshot(QStringLiteral("shutdown-next-player"));
  ::kill(static_cast<pid_t>(next->processId()), SIGTERM);
  EXPECT_TRUE(next->waitForFinished(static_cast<int>(kBound.count())));
}

TEST(PlayerE2e, WithoutAnyAudioDeviceTheWindowComesUpAndTheListAdvances) {
  const QStringList entries = {tone("e2e-silent-a.wav", 440.0, 0.3), tone("e2e-silent-b.wav", 660.0, 0.3)};
  Player player;
  player.savePlaylist(entries);
  player.saveConfig(QStringLiteral("scheckbox5.Checked=1"));
  player.start(QStringLiteral("nonexistent"));
  ASSERT_NE(player.window(), 0ul);
  ASSERT_TRUE(player.waitForTitle(nameOf(entries[1])));
  screenshot(QStringLiteral("silent-second-entry"));
  EXPECT_TRUE(player.endsCleanly());
  EXPECT_FALSE(QFileInfo::exists(player.capturePath()));
}

}  // namespace
