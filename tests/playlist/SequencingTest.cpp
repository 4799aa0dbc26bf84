// Sequencing played through on the manually clocked output: the end of a track and the
// end-of-list rules, the transport buttons, and the list-index error.

#include <gtest/gtest.h>

#include <QDir>
#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "playlist/Player.h"
#include "playlist/Playlist.h"
#include "tests/audio/support/AudioFixtures.h"
#include "tests/playlist/PlayerHarness.h"

namespace {

using playback::Harness;

struct EndCase {
  const char* what;
  int entries;
  int ending;  // the entry that plays to its end
  bool exit, repeat, random;
  int next;        // CurrentIndex afterwards
  bool playing;    // whether an entry plays afterwards (from its start)
  bool followed;   // whether selection and caption show `next`
};

const EndCase kEndCases[] = {
    {"advance", 3, 1, false, false, false, 2, true, true},
    {"last entry, no rule", 2, 1, false, false, false, 1, false, false},
    {"repeat", 3, 2, false, true, false, 0, true, true},
    {"random over two always draws 0", 2, 1, false, false, true, 0, true, false},
    {"random over one replays it", 1, 0, false, false, true, 0, true, true},
    {"exit, and repeat in the same tick", 2, 1, true, true, false, 0, true, true},
    {"exit alone", 2, 1, true, false, false, 1, false, false},
};

TEST(Sequencing, TheEndOfATrack) {
  for (const EndCase& c : kEndCases) {
    Harness h(c.entries);
    h.setExit(c.exit);
    h.setRepeat(c.repeat);
    h.setRandom(c.random);
    h.click(c.ending);
    h.playOutAndTick();
    h.tick();  // a finished last entry stays finished without raising anything
    EXPECT_EQ(h.player.CurrentIndex(), c.next) << c.what;
    EXPECT_EQ(h.activity(), c.playing ? audio::Activity::Playing : audio::Activity::Stopped) << c.what;
    if (c.playing) {
      EXPECT_EQ(h.position(), 0) << c.what;
    }
    if (c.followed) {
      EXPECT_EQ(h.selection(), c.next) << c.what;
      EXPECT_EQ(h.player.caption(), QStringLiteral("tone%1.wav").arg(c.next)) << c.what;
    }
    EXPECT_EQ(h.exitRequests > 0, c.exit) << c.what;
  }
}

TEST(Sequencing, RandomNeverDrawsTheLastEntry) {
  // The rule reseeds from the clock, so only what holds for every seed is checked.
  Harness h(4);
  h.setRandom(true);
  for (int round = 0; round < 12; ++round) {
    h.player.PlayRandomEntry();
    h.settle();
    EXPECT_GE(h.player.CurrentIndex(), 0);
    EXPECT_LE(h.player.CurrentIndex(), 2);
    EXPECT_EQ(h.player.CurrentFile(), h.playlist.entry(h.player.CurrentIndex()));
  }
}

TEST(Sequencing, BrokenEntriesAreSkippedButNothingStartsByItself) {
  Harness h;
  h.setExit(true);
  // Filling an empty list while nothing plays: no advance, no exit.
  h.addEntry(playback::toneFile("tone0.wav", 0.05));
  h.tick();
  EXPECT_EQ(h.exitRequests, 0);
  h.addEntry(h.folder.write(QStringLiteral("noise.mp3"), QByteArray(4096, 'x')));
  h.addEntry(playback::toneFile("tone2.wav", 0.05));
  h.tick();
  EXPECT_EQ(h.player.CurrentIndex(), 0);
  EXPECT_EQ(h.stream(), 0u);

  h.click(0);
  const audio::StreamHandle first = h.stream();
  h.playOutAndTick();
  EXPECT_EQ(h.player.CurrentIndex(), 1);
  // The file fails to open in the background; the finished entry stays the track's, still
  // finished, and the next tick moves on.
  h.settle();
  EXPECT_EQ(h.stream(), first) << "undecodable";
  EXPECT_EQ(h.player.caption(), QStringLiteral("tone0.wav"));
  h.tick();
  EXPECT_EQ(h.player.CurrentIndex(), 2);
  EXPECT_EQ(h.activity(), audio::Activity::Playing);
  EXPECT_EQ(h.exitRequests, 0);
}

// Play on a list filled after the start: nothing was open, so the press starts the selected
// entry (the first when none is), and the ticks that follow neither skip it nor close.
struct FromEmptyCase {
  const char* what;
  int entries;
  int selected;  // -1: none
  bool pressedWhileEmpty;
  int index;  // the entry that plays
};

const FromEmptyCase kFromEmptyCases[] = {
    {"no selection starts the first", 2, -1, false, 0},
    {"the selected entry", 3, 2, false, 2},
    {"one entry with exit ticked", 1, -1, false, 0},
    {"play pressed before the list was filled", 2, -1, true, 0},
};

TEST(Sequencing, PlayOnAListFilledFromEmptyStartsTheSelectedEntry) {
  for (const FromEmptyCase& c : kFromEmptyCases) {
    Harness h;
    h.setExit(true);
    if (c.pressedWhileEmpty) {
      h.player.play();
      h.tick();
    }
    for (int i = 0; i < c.entries; ++i) h.addEntry(playback::toneFile("tone" + std::to_string(i) + ".wav", 0.5));
    h.playlist.select(c.selected);
    h.tick();
    EXPECT_EQ(h.stream(), 0u) << c.what << ": adding files opens nothing";
    h.player.play();
    h.render(4096);
    h.tick();
    h.tick();
    EXPECT_EQ(h.player.CurrentIndex(), c.index) << c.what;
    EXPECT_EQ(h.selection(), c.index) << c.what;
    EXPECT_EQ(h.player.caption(), QStringLiteral("tone%1.wav").arg(c.index)) << c.what;
    EXPECT_EQ(h.activity(), audio::Activity::Playing) << c.what;
    EXPECT_EQ(h.position(), 4096 * 4) << c.what;
    EXPECT_EQ(h.exitRequests, 0) << c.what;
  }
}

TEST(Sequencing, TransportButtons) {
  Harness h(3, 0.5);
  h.click(1);
  h.render(4096);
  h.player.pause();
  const int64_t paused = h.position();
  h.render(4096);
  h.tick();
  h.player.stop();  // stop does nothing to a paused track
  EXPECT_EQ(h.position(), paused);
  EXPECT_EQ(h.player.CurrentIndex(), 1);
  h.player.play();  // resumes
  h.render(4096);
  EXPECT_GT(h.position(), paused);

  h.player.stop();
  h.tick();
  EXPECT_EQ(h.position(), 0);
  EXPECT_EQ(h.player.CurrentIndex(), 1) << "a stop is no end";
  h.player.play();
  EXPECT_EQ(h.activity(), audio::Activity::Playing);

  // Next and previous restart the entry at either end and leave the selection alone.
  using Press = void (Player::*)();
  const std::pair<Press, int> steps[] = {{&Player::next, 2},
                                         {&Player::next, 2},
                                         {&Player::previous, 1},
                                         {&Player::previous, 0},
                                         {&Player::previous, 0}};
  for (const auto& [press, index] : steps) {
    h.render(4096);
    (h.player.*press)();
    EXPECT_EQ(h.player.CurrentIndex(), index);
    EXPECT_EQ(h.position(), 0);
    EXPECT_EQ(h.selection(), 1);
    EXPECT_EQ(h.player.caption(), QStringLiteral("tone%1.wav").arg(index));
  }
}

// The effects that the boxes tick are on every new stream exactly once, and the others not at
// all. Heard on a quiet 1 kHz tone: the compressor's make-up gain at 10 dB and the equaliser's
// 1 kHz band at 7 dB stay below the compressor's threshold, so each adds its decibels once;
// a missing effect or a second instance of one shows as 10 or 7 dB too little or too much.
struct EffectCase {
  const char* what;
  std::function<void(Harness&)> start;
  bool compressor, equalizer;
  int index;  // CurrentIndex afterwards
};

const EffectCase kEffectCases[] = {
    {"list click", [](Harness& h) { h.click(1); }, true, true, 1},
    {"play on the playing stream", [](Harness& h) { h.player.play(); }, true, true, 1},
    {"next", [](Harness& h) { h.player.next(); }, true, true, 2},
    {"previous", [](Harness& h) { h.player.previous(); }, true, true, 1},
    {"advance at the end of a track", [](Harness& h) { h.playOutAndTick(); }, true, true, 2},
    {"stop, then play",
     [](Harness& h) {
       h.player.stop();
       h.player.play();
     },
     true, true, 2},
    {"hand-off from a second start",
     [](Harness& h) { h.player.HandOffReceived({h.playlist.entry(0).toUtf8()}); }, true, true, 3},
    {"repeat from the start",
     [](Harness& h) {
       h.setRepeat(true);
       h.playOutAndTick();
       h.setRepeat(false);
     },
     true, true, 0},
    {"next with the compressor off", [](Harness& h) { h.player.next(); }, false, true, 1},
    {"previous with the equaliser off", [](Harness& h) { h.player.previous(); }, true, false, 0},
    {"list click with both off", [](Harness& h) { h.click(2); }, false, false, 2},
};

// The loudest sample of the current stream once effects, volume and pan have settled.
float settledPeak(Harness& h) {
  h.tick();  // pushes volume, balance and the effect values
  h.render(8192);
  float peak = 0.0f;
  for (const float sample : h.hearStereo(4096)) peak = std::max(peak, std::abs(sample));
  return peak;
}

TEST(Sequencing, EveryNewStreamCarriesTheTickedEffectsOnce) {
  Harness h;
  for (int i = 0; i < 3; ++i) {
    h.addEntry(QString::fromStdString(
        fixtures::writeSineWav("quiet" + std::to_string(i) + ".wav", playback::kSampleRate, 2, 1000.0, 1.0, 0.01)));
  }
  h.player.setVolume(10);
  h.player.setBalance(0);
  h.player.setCompressorGain(10);
  // Every band at 0 dB but the one at 1 kHz.
  for (size_t band = 0; band < SoundControls::kBandCount; ++band) h.player.setBand(band, band == 4 ? 7 : 0);
  h.click(0);
  const float dry = settledPeak(h);
  ASSERT_GT(dry, 0.0f);

  for (const EffectCase& c : kEffectCases) {
    h.player.switchEffect(EffectKind::Compressor, c.compressor);
    h.player.connectEqualizer(c.equalizer);
    c.start(h);
    ASSERT_EQ(h.player.CurrentIndex(), c.index) << c.what;
    const double expectedDb = (c.compressor ? 10.0 : 0.0) + (c.equalizer ? 7.0 : 0.0);
    EXPECT_NEAR(20.0 * std::log10(settledPeak(h) / dry), expectedDb, 0.5) << c.what;
  }
}

// A new stream sounds at the volume and balance in force from its first sample, not from the
// next tick's: at volume 2 and the balance at the left end, a tone of amplitude 0.5 comes out
// at 0.1 on the left and not at all on the right.
struct LevelCase {
  const char* what;
  std::function<void(Harness&)> start;
};

const LevelCase kLevelCases[] = {
    {"list click", [](Harness& h) { h.click(2); }},
    {"next", [](Harness& h) { h.player.next(); }},
    {"previous", [](Harness& h) { h.player.previous(); }},
    {"advance at the end of a track", [](Harness& h) { h.playOutAndTick(); }},
    {"repeat from the start",
     [](Harness& h) {
       h.setRepeat(true);
       h.click(2);
       h.playOutAndTick();
       h.setRepeat(false);
     }},
};

TEST(Sequencing, ANewStreamSoundsAtTheVolumeAndBalanceInForceFromItsFirstSample) {
  for (const LevelCase& c : kLevelCases) {
    Harness h(3, 0.5);
    h.player.setVolume(2);
    h.player.setBalance(-5);
    h.tick();  // the track takes both; no tick comes again, so nothing is prepared either
    h.click(1);
    c.start(h);
    const std::vector<float> heard = h.hearStereo(2048);
    float left = 0.0f;
    float right = 0.0f;
    for (size_t i = 0; i + 1 < heard.size(); i += 2) {
      left = std::max(left, std::abs(heard[i]));
      right = std::max(right, std::abs(heard[i + 1]));
    }
    EXPECT_NEAR(left, 0.1f, 0.01f) << c.what;
    EXPECT_EQ(right, 0.0f) << c.what;
  }
}

// --- Entries that cannot be opened ------------------------------------------------------------

// Entries that name nothing that plays.
struct DeadEntry {
  const char* what;
  std::function<QString(Harness&)> make;
};

const DeadEntry kDeadEntries[] = {
    {"a file deleted since", [](Harness& h) { return h.folder.file(QStringLiteral("deleted.wav")); }},
    {"a folder",
     [](Harness& h) {
       QDir(h.folder.path()).mkdir(QStringLiteral("folder.wav"));
       return h.folder.file(QStringLiteral("folder.wav"));
     }},
    {"not audio",
     [](Harness& h) { return h.folder.write(QStringLiteral("notes.mp3"), QByteArray("not audio\n").repeated(500)); }},
};

// Ways of starting the dead entry, which is entry 1 of tone0, dead, tone2, while `playing`
// plays; `index` is CurrentIndex afterwards.
struct DeadStart {
  const char* what;
  int playing;
  std::function<void(Harness&, const QString& dead)> start;
  int index;
};

const DeadStart kDeadStarts[] = {
    {"list click", 0, [](Harness& h, const QString&) { h.click(1); }, 1},
    {"next", 0, [](Harness& h, const QString&) { h.player.next(); }, 1},
    {"previous", 2, [](Harness& h, const QString&) { h.player.previous(); }, 1},
    {"hand-off", 0, [](Harness& h, const QString& dead) { h.player.HandOffReceived({dead.toUtf8()}); }, 3},
};

// An entry that cannot be opened is never announced: caption and current file keep naming
// what plays, and it plays on from where it was.
TEST(Sequencing, AnEntryThatCannotBeOpenedLeavesWhatPlaysAlone) {
  for (const DeadEntry& dead : kDeadEntries) {
    for (const DeadStart& c : kDeadStarts) {
      Harness h;
      h.addEntry(playback::toneFile("tone0.wav", 1.0));
      const QString path = dead.make(h);
      h.addEntry(path);
      h.addEntry(playback::toneFile("tone2.wav", 1.0));
      h.click(c.playing);
      h.render(4096);
      const audio::StreamHandle playing = h.stream();
      const int64_t position = h.position();
      const QString file = h.player.CurrentFile();
      c.start(h, path);
      h.render(4096);
      h.tick();
      const std::string what = std::string(dead.what) + ", " + c.what;
      EXPECT_EQ(h.player.CurrentIndex(), c.index) << what;
      EXPECT_EQ(h.stream(), playing) << what;
      EXPECT_EQ(h.activity(), audio::Activity::Playing) << what;
      EXPECT_EQ(h.position(), position + 4096 * 4) << what << ": not rewound";
      EXPECT_EQ(h.player.CurrentFile(), file) << what;
      EXPECT_EQ(h.player.caption(), QStringLiteral("tone%1.wav").arg(c.playing)) << what;
    }
    // At the end of a track the entry counts as finished, and the next tick moves past it.
    Harness h;
    h.addEntry(playback::toneFile("tone0.wav", 0.1));
    h.addEntry(dead.make(h));
    h.addEntry(playback::toneFile("tone2.wav", 0.1));
    h.click(0);
    h.playOutAndTick();
    EXPECT_EQ(h.player.caption(), QStringLiteral("tone0.wav")) << dead.what;
    h.tick();
    EXPECT_EQ(h.player.CurrentIndex(), 2) << dead.what;
    EXPECT_EQ(h.selection(), 2) << dead.what;
    EXPECT_EQ(h.activity(), audio::Activity::Playing) << dead.what;
    EXPECT_EQ(h.player.caption(), QStringLiteral("tone2.wav")) << dead.what;
  }
}

std::string errorOf(Player& player, void (Player::*command)()) {
  try {
    (player.*command)();
  } catch (const ListIndexError& error) {
    return error.what();
  }
  return {};
}

TEST(Sequencing, AnIndexNamingNoEntryFailsWhereTheOperationReadsIt) {
  Harness empty;
  EXPECT_EQ(errorOf(empty.player, &Player::next), "List index out of bounds (0)");

  // The last of seven entries plays, and the five from the third on are deleted: the current
  // entry is past the end.
  Harness h(7, 0.5);
  h.click(6);
  h.render(4096);
  const int64_t playing = h.position();
  for (int k = 6; k >= 2; --k) h.playlist.remove(k);
  ASSERT_EQ(h.player.CurrentIndex(), 6);
  EXPECT_EQ(errorOf(h.player, &Player::previous), "List index out of bounds (5)");
  EXPECT_EQ(errorOf(h.player, &Player::next), "List index out of bounds (5)");
  EXPECT_EQ(h.position(), playing) << "the read comes first";

  h.playlist.select(-1);
  EXPECT_EQ(errorOf(h.player, &Player::startSelectedEntry), "List index out of bounds (-1)");
  EXPECT_EQ(h.track().State, PlayState::Stopped) << "the click stops before it reads";
}

// --- Gapless advance -----------------------------------------------------------------------

// Each entry holds 0.3 s of a tone in whole periods, so that any of them played after any
// other continues the tone.
constexpr int kEntryFrames = playback::kSampleRate * 3 / 10;
constexpr double kAmplitude = 0.5;

QString wholePeriodsFile(const std::string& name, double hz) {
  return QString::fromStdString(fixtures::writeSineWav(name, playback::kSampleRate, 2, hz, 0.3, kAmplitude));
}

double toneAt(double hz, int frame) {
  return kAmplitude * std::sin(2.0 * std::numbers::pi * hz * frame / playback::kSampleRate);
}

struct GaplessCase {
  const char* what;
  int entries;
  int ending;
  bool repeat;
  int next;
};

const GaplessCase kGaplessCases[] = {
    {"advance", 3, 1, false, 2},
    {"repeat", 2, 1, true, 0},
    {"repeat of a single entry", 1, 0, true, 0},
};

// Near the end of an entry the tick prepares the one that follows; at the end it follows
// without a gap, and the window moves on to it as it always did.
TEST(Sequencing, TheEntryThatCertainlyFollowsPlaysWithoutAGap) {
  for (const GaplessCase& c : kGaplessCases) {
    Harness h;
    for (int i = 0; i < c.entries; ++i) h.addEntry(wholePeriodsFile("tone" + std::to_string(i) + ".wav", 300.0));
    h.setRepeat(c.repeat);
    h.player.setVolume(10);
    h.player.setBalance(0);
    h.click(c.ending);
    h.tick();
    constexpr int kAfter = 2000;
    const std::vector<float> heard = h.hear(kEntryFrames + kAfter);
    h.tick();
    EXPECT_EQ(h.player.CurrentIndex(), c.next) << c.what;
    EXPECT_EQ(h.selection(), c.next) << c.what;
    EXPECT_EQ(h.player.caption(), QStringLiteral("tone%1.wav").arg(c.next)) << c.what;
    EXPECT_EQ(h.activity(), audio::Activity::Playing) << c.what;
    EXPECT_EQ(h.position(), kAfter * 4) << c.what << ": the entry has been playing since the end of the last";
    double worst = 0.0;
    for (int i = kEntryFrames - 500; i < kEntryFrames + kAfter; ++i) {
      worst = std::max(worst, std::abs(heard[static_cast<size_t>(i)] - toneAt(300.0, i)));
    }
    EXPECT_LT(worst, 1e-3) << c.what;
  }
}

struct ChangeCase {
  const char* what;
  int ending;
  bool repeat;
  std::function<void(Harness&)> change;
};

// Whatever changes the list or the end-of-list rules before the end lets the prepared entry
// go, since another may follow now: nothing plays on by itself past the end.
TEST(Sequencing, AChangeToTheListOrItsRulesLetsThePreparedEntryGo) {
  const ChangeCase cases[] = {
      {"the next entry removed", 0, false, [](Harness& h) { h.playlist.remove(1); }},
      {"an entry put in before the next", 0, false,
       [](Harness& h) { h.playlist.insert(1, wholePeriodsFile("put.wav", 600.0)); }},
      {"random switched on", 2, true, [](Harness& h) { h.setRandom(true); }},
      {"repeat switched off", 2, true, [](Harness& h) { h.setRepeat(false); }},
  };
  for (const ChangeCase& c : cases) {
    Harness h;
    for (int i = 0; i < 3; ++i) h.addEntry(wholePeriodsFile("tone" + std::to_string(i) + ".wav", 300.0));
    h.setRepeat(c.repeat);
    h.click(c.ending);
    h.tick();
    c.change(h);
    const std::vector<float> heard = h.hear(kEntryFrames + 2000);
    const auto after = heard.begin() + kEntryFrames;
    EXPECT_TRUE(std::all_of(after, heard.end(), [](float v) { return v == 0.0f; })) << c.what;
  }
}

// "Open files" takes CurrentIndex from the selection even when its dialog is cancelled. With
// ">>" having started the second entry and the selection left on the first, the end of the
// second starts the second again: the third, prepared to follow it, is let go, and the second
// is prepared in its place, so that only the second is heard.
TEST(Sequencing, ANewCurrentEntryHasWhatNowFollowsItPrepared) {
  Harness h;
  const double tones[] = {300.0, 600.0, 900.0};
  for (int i = 0; i < 3; ++i) h.addEntry(wholePeriodsFile("tone" + std::to_string(i) + ".wav", tones[i]));
  h.player.setVolume(10);
  h.player.setBalance(0);
  h.click(0);
  h.player.next();
  h.tick();
  h.player.takeCurrentIndexFromSelection();
  ASSERT_EQ(h.player.CurrentIndex(), 0);
  h.tick();
  constexpr int kAfter = 2000;
  const std::vector<float> heard = h.hear(kEntryFrames + kAfter);
  double worst = 0.0;
  for (int i = kEntryFrames - 500; i < kEntryFrames + kAfter; ++i) {
    worst = std::max(worst, std::abs(heard[static_cast<size_t>(i)] - toneAt(600.0, i)));
  }
  EXPECT_LT(worst, 1e-3) << "the second entry again, without a gap";
  h.tick();
  EXPECT_EQ(h.player.CurrentIndex(), 1);
  EXPECT_EQ(h.position(), kAfter * 4);
}

// An entry shorter than a device period can play to its end before the tick takes it up: it
// has been heard once, counts as finished, and the entry after it follows.
TEST(Sequencing, AnEntryThatEndedBeforeTheTickTookItUpIsNotPlayedAgain) {
  Harness h;
  h.addEntry(wholePeriodsFile("tone0.wav", 300.0));
  h.addEntry(QString::fromStdString(
      fixtures::writeSineWav("short.wav", playback::kSampleRate, 2, 300.0, 0.01, kAmplitude)));
  h.addEntry(wholePeriodsFile("tone2.wav", 300.0));
  h.click(0);
  h.tick();
  h.render(kEntryFrames + 4096);
  h.tick();
  EXPECT_EQ(h.player.CurrentIndex(), 1);
  const std::vector<float> after = h.hear(4096);
  EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](float v) { return v == 0.0f; })) << "played again";
  h.tick();
  EXPECT_EQ(h.player.CurrentIndex(), 2);
  EXPECT_EQ(h.activity(), audio::Activity::Playing);
}

// Between the output moving on into the prepared entry and the next tick, the prepared entry
// is what is heard. A command, or a change to the list or its rules, acts on it: it fades
// where it stops and plays on where it does not, and is never cut.
struct MeanwhileCase {
  const char* what;
  int ending;
  bool repeat;
  std::function<void(Harness&)> act;
  bool sounds;  // whether anything is heard once the act has had its effect
  int index;    // CurrentIndex at the next tick
};

const MeanwhileCase kMeanwhileCases[] = {
    {"stop", 0, false, [](Harness& h) { h.player.stop(); }, false, 1},
    {"pause", 0, false, [](Harness& h) { h.player.pause(); }, false, 1},
    {"next", 0, false, [](Harness& h) { h.player.next(); }, true, 2},
    {"an entry appended", 0, false, [](Harness& h) { h.addEntry(wholePeriodsFile("put.wav", 600.0)); }, true, 1},
    {"the entry itself removed", 0, false, [](Harness& h) { h.playlist.remove(1); }, true, 1},
    {"random switched on", 0, false, [](Harness& h) { h.setRandom(true); }, true, 1},
    {"repeat switched off after the last entry", 2, true, [](Harness& h) { h.setRepeat(false); },
     true, 0},
};

TEST(Sequencing, WhatIsHeardOfAPreparedEntryBeforeTheTickIsNeverCut) {
  // The tone's own largest step from one sample to the next, and a fade's on top of it.
  const double largestStep = 2.0 * std::numbers::pi * 300.0 / playback::kSampleRate * kAmplitude + 0.01;
  for (const MeanwhileCase& c : kMeanwhileCases) {
    Harness h;
    for (int i = 0; i < 3; ++i) h.addEntry(wholePeriodsFile("tone" + std::to_string(i) + ".wav", 300.0));
    h.player.setVolume(10);
    h.player.setBalance(0);
    h.setRepeat(c.repeat);
    h.click(c.ending);
    h.tick();
    std::vector<float> heard = h.hear(kEntryFrames + 1000);
    ASSERT_GT(std::abs(heard.back()) + std::abs(heard[heard.size() - 20]), 0.05) << c.what << ": nothing heard";
    c.act(h);
    const std::vector<float> then = h.hear(8192);
    heard.insert(heard.end(), then.begin(), then.end());
    double jump = 0.0;
    for (size_t i = heard.size() - then.size() - 1; i + 1 < heard.size(); ++i) {
      jump = std::max(jump, static_cast<double>(std::abs(heard[i + 1] - heard[i])));
    }
    EXPECT_LT(jump, largestStep) << c.what;
    const float last = *std::max_element(then.end() - 1024, then.end(), [](float a, float b) {
      return std::abs(a) < std::abs(b);
    });
    EXPECT_EQ(std::abs(last) > 0.4f, c.sounds) << c.what;
    h.tick();
    EXPECT_EQ(h.player.CurrentIndex(), c.index) << c.what;
  }
}

}  // namespace
