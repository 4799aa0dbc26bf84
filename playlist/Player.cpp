#include "playlist/Player.h"

#include <algorithm>
#include <utility>

#include "audio/TETrack.h"
#include "playlist/GaugeMapping.h"
#include "playlist/Playlist.h"
#include "playlist/Random.h"
#include "playlist/WindowCaption.h"
#include "settings/ByteText.h"

namespace {

std::string fileOf(const QString& entry) { return bytesFromText(entry).toStdString(); }

// The text after the last path separator.
QString fileNamePart(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

}  // namespace

Player::Player(Playlist& playlist, QObject* parent) : QObject(parent), playlist_(playlist) {
  // When the list changes, the entry that follows may be another, so a prepared one is checked
  // again. A prepared entry that is heard already is taken up first, before the list changes,
  // as the end that the output has passed started it.
  connect(&playlist_, &QAbstractItemModel::rowsAboutToBeInserted, this, &Player::TakeUpPreparedEntry);
  connect(&playlist_, &QAbstractItemModel::rowsAboutToBeRemoved, this, &Player::TakeUpPreparedEntry);
  connect(&playlist_, &QAbstractItemModel::modelAboutToBeReset, this, &Player::TakeUpPreparedEntry);
  connect(&playlist_, &QAbstractItemModel::rowsInserted, this, &Player::RecheckPreparedEntry);
  connect(&playlist_, &QAbstractItemModel::rowsRemoved, this, &Player::RecheckPreparedEntry);
  connect(&playlist_, &QAbstractItemModel::modelReset, this, &Player::RecheckPreparedEntry);
}

Player::~Player() = default;

void Player::createTrack() { track_ = std::make_unique<TETrack>(); }

void Player::silenceTrack() {
  if (track_) track_->Silence();
}

void Player::freeTrack() {
  waitingStart_.reset();
  track_.reset();
}

void Player::setVolume(int32_t volume) {
  if (sound_.volume != volume) {
    sound_.volume = volume;
    emit volumeChanged(volume);
  }
  if (track_) track_->SetVolume(volume);
}

void Player::setBalance(int32_t balance) {
  sound_.balance = balance;
  if (track_) track_->SetBalance(balance);
}

void Player::switchEffect(EffectKind kind, bool on) {
  sound_.setOn(kind, on);
  if (track_) sound_.ApplyEffectSwitch(kind, *track_);
}

// Every flanger value goes to the track with the others, in one call.
void Player::setFlanger(size_t value, int32_t position) {
  sound_.flanger.at(value) = position;
  if (track_) sound_.PushFlanger(*track_);
}

void Player::connectEqualizer(bool on) {
  sound_.equalizerConnected = on;
  if (track_) sound_.ApplyEqualizerSwitch(*track_);
}

void Player::setEndOfListRules(EndOfListRules rules) {
  rules_ = rules;
  RecheckPreparedEntry();
}

void Player::LoadPlaylist(IniFile& PlaylistIni) {
  playlist_.load(PlaylistIni);
  if (playlist_.count() == 0 || !track_) return;
  currentFile_ = playlist_.entry(0);
  playlist_.select(0);
  track_->OpenFile(fileOf(currentFile_));
  ApplyEffectSwitches();
}

// Every way of starting an entry comes here, having read its entry, so that a failing read
// comes where the way of starting reads it. An entry whose file cannot be opened changes
// nothing but CurrentIndex (and the selection where the start moves it): at the end of a track
// the finished track is still finished at the next tick, which moves on past the entry.
void Player::startEntry(StartKind kind, const QString& entry) {
  const std::string file = fileOf(entry);
  const bool follows = kind == StartKind::Advance || kind == StartKind::Repeat;
  if (follows && track_->AdoptPrepared(file)) {
    waitingStart_.reset();
    runStartSteps(kind, entry, StreamSource::Adopted);
    return;
  }
  waitingStart_ = WaitingStart{kind, entry};
  track_->OpenFile(file);
  emit waitingForFile();
}

void Player::runStartSteps(StartKind kind, const QString& entry, StreamSource source) {
  for (const StartStep step : startSteps(kind)) {
    switch (step) {
      case StartStep::Stop:
        // An adopted stream has taken the place of the previous one, which has ended.
        if (source == StreamSource::Opened) track_->Stop();
        break;
      case StartStep::TakeEntry:
        currentFile_ = entry;
        break;
      case StartStep::Caption:
        SetCaptionFromCurrentFile();
        break;
      case StartStep::Open:
        // The stream became the track's when its file opened, or when it was adopted.
        break;
      case StartStep::Effects:
        ApplyEffectSwitches();
        break;
      case StartStep::Play:
        track_->Play();
        break;
    }
  }
}

void Player::FinishWaitingStart() {
  if (!waitingStart_ || !track_) return;
  switch (track_->LastOpenProgress()) {
    case OpenProgress::Opening:
      return;
    case OpenProgress::Failed:
      waitingStart_.reset();
      return;
    case OpenProgress::Open:
      break;
  }
  const WaitingStart start = *std::exchange(waitingStart_, std::nullopt);
  runStartSteps(start.kind, start.entry, StreamSource::Opened);
  switch (start.held) {
    case HeldCommand::None:
      break;
    case HeldCommand::Pause:
      track_->Pause();
      break;
    case HeldCommand::Stop:
      track_->Stop();
      break;
  }
}

// Between the output moving on into a prepared entry and the tick noticing the end of the one
// before, the prepared entry is what is heard. Whatever comes then (a command, a change to the
// list or its rules) first takes it up, as the tick would have, so that it acts on what is
// heard and cuts nothing. The stream was prepared for the entry that the end certainly starts
// under the list and rules in force up to now: the next one, or the first under "Repeat List".
void Player::TakeUpPreparedEntry() {
  if (!track_ || waitingStart_ || !track_->PlayingPrepared()) return;
  if (currentIndex_ < playlist_.count() - 1) {
    advanceToNextEntry();
  } else {
    startFromTheFirstEntry();
  }
}

void Player::SettleBeforeCommand() {
  FinishWaitingStart();
  TakeUpPreparedEntry();
}

// Raises the list-index error when CurrentIndex names no entry.
void Player::takeCurrentEntry() { currentFile_ = playlist_.entry(currentIndex_); }

void Player::SetCaptionFromCurrentFile() {
  QString caption = shortenedCaption(fileNamePart(currentFile_));
  if (caption == caption_) return;
  caption_ = std::move(caption);
  emit captionChanged(caption_);
}

// A stop given while a start waits for its file is given again once the entry has started.
void Player::stopCommand() {
  if (waitingStart_) waitingStart_->held = HeldCommand::Stop;
  track_->Stop();
}

void Player::startSelectedEntry() {
  if (!track_) return;
  SettleBeforeCommand();
  currentIndex_ = playlist_.selection();
  // A click beside the entries, or on an empty one, only stops the track, and for no entry
  // the read fails after the stop.
  const bool onAnEntry = currentIndex_ >= 0 && currentIndex_ < playlist_.count();
  if (!onAnEntry || playlist_.entry(currentIndex_).isEmpty()) {
    stopCommand();
    takeCurrentEntry();
    return;
  }
  startEntry(StartKind::ListClick, playlist_.entry(currentIndex_));
}

void Player::play() {
  if (!track_) return;
  SettleBeforeCommand();
  if (waitingStart_) waitingStart_->held = HeldCommand::None;
  // A list filled from empty has nothing open yet: play starts the selected entry, or the
  // first when none is selected, as a click on it would.
  if (!track_->OpenAttempted && playlist_.count() > 0) {
    if (playlist_.selection() < 0) playlist_.select(0);
    startSelectedEntry();
    return;
  }
  track_->Play();
  SetCaptionFromCurrentFile();
  ApplyEffectSwitches();
}

void Player::pause() {
  if (!track_) return;
  SettleBeforeCommand();
  if (waitingStart_) waitingStart_->held = HeldCommand::Pause;
  track_->Pause();
}

void Player::stop() {
  if (!track_) return;
  SettleBeforeCommand();
  stopCommand();
}

void Player::next() {
  if (!track_) return;
  SettleBeforeCommand();
  if (currentIndex_ < playlist_.count() - 1) ++currentIndex_;
  startEntry(StartKind::Next, playlist_.entry(currentIndex_));
}

void Player::previous() {
  if (!track_) return;
  SettleBeforeCommand();
  if (currentIndex_ > 0) --currentIndex_;
  startEntry(StartKind::Previous, playlist_.entry(currentIndex_));
}

void Player::autoplay() {
  if (playlist_.count() == 0) return;
  currentFile_ = playlist_.entry(0);
  playlist_.select(0);
  play();
}

bool Player::HandOffReceived(const QByteArrayList& paths) {
  if (paths.isEmpty()) return false;
  const int first = playlist_.count();
  QStringList entries;
  for (const QByteArray& path : paths) entries << textFromBytes(path);
  playlist_.append(entries);
  playlist_.select(first);
  startSelectedEntry();
  return true;
}

void Player::takeCurrentIndexFromSelection() {
  TakeUpPreparedEntry();
  currentIndex_ = playlist_.count() > 0 ? playlist_.selection() : 0;
  RecheckPreparedEntry();
}

// As with a seek through the track, a position at or past the end is ignored.
void Player::seekToPositionGauge(int32_t value) {
  if (!track_) return;
  SettleBeforeCommand();
  const GaugeByteScale scale = GaugeByteScale::forLength(track_->GetFullLengthBytes());
  if (scale.shift() == 0) {
    track_->SeekBytes(value);
    return;
  }
  track_->SeekFullBytes(scale.toBytes(value));
}

void Player::seekTime(std::chrono::microseconds position) {
  if (!track_) return;
  SettleBeforeCommand();
  track_->SeekTime(position);
}

void Player::CheckTrackEnd() {
  // A start waiting for its file decides what follows once the file has opened or failed.
  if (!track_ || waitingStart_ || !hasPlayedToItsEnd(*track_)) return;
  if (currentIndex_ < playlist_.count() - 1) {
    advanceToNextEntry();
    return;
  }
  // A finished last entry stays finished, so these run again on every tick until one of
  // them starts something.
  ExitAtListEnd();
  RepeatFromStart();
  PlayRandomEntry();
}

// The entry read first lies in the list, so reading it cannot fail.
void Player::advanceToNextEntry() {
  ++currentIndex_;
  playlist_.select(currentIndex_);
  startEntry(StartKind::Advance, playlist_.entry(currentIndex_));
}

// The window closes once this tick is over; the other rules still run in it.
void Player::ExitAtListEnd() {
  if (!rules_.exit || currentIndex_ != playlist_.count() - 1) return;
  emit exitRequested();
}

void Player::RepeatFromStart() {
  if (!rules_.repeat || playlist_.count() == 0 || !track_) return;
  startFromTheFirstEntry();
}

void Player::startFromTheFirstEntry() {
  playlist_.select(0);
  currentIndex_ = 0;
  startEntry(StartKind::Repeat, playlist_.entry(currentIndex_));
}

void Player::PlayRandomEntry() {
  const int count = playlist_.count();
  if (!rules_.random || count == 0 || !track_) return;
  currentIndex_ = RandomEntry(count);
  startEntry(StartKind::Random, playlist_.entry(currentIndex_));
}

void Player::PrepareNextEntry() {
  // While a file opens to replace the current stream, what follows that stream is not known.
  if (!track_ || waitingStart_) return;
  const int next = certainNextEntry(currentIndex_, playlist_.count(), rules_);
  if (next < 0) {
    track_->DropPrepared();
    return;
  }
  if (!track_->WantsNext()) return;
  track_->PrepareNext(fileOf(playlist_.entry(next)));
}

void Player::RecheckPreparedEntry() {
  if (!track_ || !track_->HasPrepared()) return;
  TakeUpPreparedEntry();
  const int next = certainNextEntry(currentIndex_, playlist_.count(), rules_);
  if (next >= 0 && track_->IsPrepared(fileOf(playlist_.entry(next)))) return;
  track_->DropPrepared();
}
