#pragma once

// The player: the track, the entry of the playlist that it plays, and the rules of what plays
// next. It owns Track and holds CurrentIndex and CurrentFile, the three end-of-list rules, the
// sound controls and a start that waits for its entry's file to open. It runs the transport,
// the start of an entry from the list, from a hand-off and at start-up, the end-of-track check
// with the end-of-list rules, the gapless preparation of the entry that certainly follows
// (driven by the playlist's own change signals and by the rules), and the playback tick,
// which returns what the window shows. The window binds its controls to it and shows what
// comes back: the caption, a request to close, the volume when it is set from elsewhere, and
// when the tick has to look at once. GUI thread; Qt Core only: it is tested without a window.
//
// Two source files: Player.cpp runs the transport, the starts and the end of a track;
// PlayerTick.cpp the playback tick.

#include <QByteArrayList>
#include <QObject>
#include <QString>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "audio/SoundControls.h"
#include "playlist/EntryStart.h"
#include "playlist/NextEntry.h"
#include "playlist/TickView.h"

class IniFile;
class Playlist;
class TETrack;

class Player : public QObject {
  Q_OBJECT

 public:
  // Follows `playlist`, which must outlive it. There is no track until createTrack().
  explicit Player(Playlist& playlist, QObject* parent = nullptr);
  ~Player() override;

  // The track's life, which the window's creation and destruction decide: it is made (and
  // with it the audio output), silenced at once when the window goes, and freed last, since
  // freeing it waits for the engine's threads. Without a track every command does nothing.
  void createTrack();
  void silenceTrack();
  void freeTrack();
  TETrack* Track() const { return track_.get(); }

  // The current entry's index, 0 at start; it may name no entry (-1, or past the end once
  // entries were removed). Moved only by the starts below.
  int32_t CurrentIndex() const { return currentIndex_; }
  // The current entry's text, empty until an entry was taken.
  const QString& CurrentFile() const { return currentFile_; }
  // The window caption: the file-name part of CurrentFile where a start showed it, shortened
  // for the window system (playlist/WindowCaption.h).
  const QString& caption() const { return caption_; }

  // --- The sound controls. ---
  const SoundControls& soundControls() const { return sound_; }
  // The volume (0..10) and the balance (-5..5) reach the track at once and with every tick.
  // volumeChanged announces a volume that changed.
  void setVolume(int32_t volume);
  void setBalance(int32_t balance);
  // Switches the effect on or off on the track's stream (the flanger follows the box changed
  // last) and keeps the switch for every stream to come.
  void switchEffect(EffectKind kind, bool on);
  // Slider positions, sent to the track with every tick; a flanger value is sent at once too.
  void setCompressorGain(int32_t position) { sound_.compressorGain = position; }
  void setReverbMix(int32_t position) { sound_.reverbMix = position; }
  void setFlanger(size_t value, int32_t position);
  void setBand(size_t band, int32_t position) { sound_.bands.at(band) = position; }
  // "connect": puts the ten bands on the stream, or takes them off.
  void connectEqualizer(bool on);

  // --- The end-of-list rules. A change lets a prepared entry go unless it still follows. ---
  EndOfListRules endOfListRules() const { return rules_; }
  void setEndOfListRules(EndOfListRules rules);

  // Appends the entries of PLIST.LST; when there are any, CurrentFile becomes the first, which
  // is selected and opened (without playing) with the effects switched on.
  void LoadPlaylist(IniFile& PlaylistIni);

  // --- The ways of starting and the transport. A failing read of an entry throws
  // ListIndexError (playlist/Playlist.h) where the operation reads it. ---
  // A click on the list: CurrentIndex becomes the selection, and the entry starts; an empty
  // entry only stops the track.
  void startSelectedEntry();
  // Play: resumes or plays the track, shows the caption, switches the effects on. On a list
  // filled from empty, with nothing opened yet, it starts the selected entry (the first when
  // none is).
  void play();
  void pause();
  void stop();
  // Next and previous: CurrentIndex moves by one within the list and that entry starts.
  void next();
  void previous();
  // The start-up autoplay: the first entry, selected, plays.
  void autoplay();
  // Appends the paths (bytes of local files) in order and starts the first of them; returns
  // false, changing nothing, when there are none.
  bool HandOffReceived(const QByteArrayList& paths);
  // The open-files command: CurrentIndex becomes the selection (0 for an empty list).
  void takeCurrentIndexFromSelection();
  // Seeks to the byte that a position gauge value stands for, or to a time from the start.
  void seekToPositionGauge(int32_t value);
  void seekTime(std::chrono::microseconds position);

  // --- The end of a track, once per tick. ---
  void CheckTrackEnd();
  void ExitAtListEnd();
  void RepeatFromStart();
  void PlayRandomEntry();

  // --- The playback tick. ---
  // One pass: finishes a start whose file has opened, reads the position and the times, gives
  // the track the volume and the balance, runs the end-of-track check and the gapless
  // preparation, and while a stream is open writes its spectrum into `spectrumBuffer` (512
  // magnitudes at least) and sends every effect value. Allocates nothing. A pass that runs
  // late, `asOf` the moment it fell due, reads the position and the spectrum as they were
  // then, where the engine can still tell (TETrack::ReadAsOf); without it, as they are now.
  TickView tick(std::span<float> spectrumBuffer,
                std::optional<std::chrono::steady_clock::time_point> asOf = std::nullopt);
  // Whether the next pass may have to act with no event to bring it: a start waits for its
  // file, or the stream that plays has less than a quarter second left. The window then runs
  // every pass when it falls due, rather than a frame's passes together.
  bool tickActsAtOnce();
  // Whether a pass would change nothing now: no start waits for its file, the end-of-track
  // check has nothing to act on, and either no stream is open or nothing plays and, as the
  // window tells, the drawings have come to a standstill.
  bool NothingToTick(bool drawingsStandStill);
  // A start whose entry's file was still opening runs its steps once the file is open, and
  // ends, changing nothing more, if it cannot be opened. Every pass and every command calls
  // this first; so may anyone who reads what plays.
  void FinishWaitingStart();

 signals:
  void captionChanged(const QString& caption);
  // The exit rule: the window is to close once the current tick is over.
  void exitRequested();
  void volumeChanged(int32_t volume);
  // A start now waits for its entry's file to open, and the next pass may finish it
  // (tickActsAtOnce).
  void waitingForFile();

 private:
  enum class StreamSource : uint8_t { Opened, Adopted };

  void startEntry(StartKind kind, const QString& entry);
  void runStartSteps(StartKind kind, const QString& entry, StreamSource source);
  void advanceToNextEntry();
  void startFromTheFirstEntry();
  void takeCurrentEntry();
  void stopCommand();
  void SetCaptionFromCurrentFile();
  // The ticked effects and the equaliser go on the stream before it plays; every value goes
  // to the track with every tick.
  void ApplyEffectSwitches() { sound_.ApplyEffectSwitches(*track_); }
  void PushEffectParameters() { sound_.PushEffectParameters(*track_); }
  // What every command on the track does before it acts: it finishes a start whose file has
  // opened, and takes up a prepared entry that is already heard, so that it acts on what is.
  void SettleBeforeCommand();
  void TakeUpPreparedEntry();
  // Near the end of an entry, has the track prepare the entry that certainly follows, so that
  // it plays on without a gap; when CurrentIndex, the list or its rules change, lets a
  // prepared entry go unless it is still the one that follows.
  void PrepareNextEntry();
  void RecheckPreparedEntry();
  // Whether CheckTrackEnd would start or close anything now.
  bool EndOfTrackWouldAct();

  Playlist& playlist_;
  std::unique_ptr<TETrack> track_;
  int32_t currentIndex_ = 0;
  QString currentFile_;
  QString caption_;
  SoundControls sound_;
  EndOfListRules rules_;
  std::optional<WaitingStart> waitingStart_;
};
