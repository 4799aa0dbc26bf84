// Which playlist entry plays, and when the player moves on: the transport buttons, clicks on
// the list, the end-of-track check of the playback tick and the three end-of-list rules.
//
// Every way of starting an entry goes through startEntry: the entry is read at once, so that
// a failing read still comes where the way of starting reads it, and its file opens in the
// background; the steps of playlist/EntryStart.h run once the file is open
// (FinishWaitingStart, from the tick or from the next command), or at once when a stream
// prepared for the entry takes over. An entry whose file cannot be opened changes nothing but
// CurrentIndex (and the selection where the start moves it): at the end of a track the
// finished track is still finished at the next tick, which moves on past the entry. Every way
// that opens a stream puts the ticked effects and the equaliser on it before it plays.

#include <QCheckBox>
#include <utility>

#include "app/TForm1.h"
#include "audio/TETrack.h"
#include "playlist/NextEntry.h"
#include "playlist/Playlist.h"
#include "playlist/Random.h"
#include "playlist/WindowCaption.h"
#include "settings/ByteText.h"
#include "ui_TForm1.h"

namespace {

void stopTrack(TForm1& form) { form.Track->Stop(); }
void playTrack(TForm1& form) { form.Track->Play(); }
void applyEffects(TForm1& form) { form.ApplyEffectSwitches(); }
void setCaption(TForm1& form) { form.SetCaptionFromCurrentFile(); }

// Raises the list-index error when CurrentIndex names no entry.
void takeCurrentEntry(TForm1& form) { form.CurrentFile = form.playlist().entry(form.CurrentIndex); }

std::string fileOf(const QString& entry) { return bytesFromText(entry).toStdString(); }

int entryCount(TForm1& form) { return form.playlist().count(); }

void selectEntry(TForm1& form, int index) { form.playlist().select(index); }

EndOfListRules rulesOf(TForm1& form) {
  return {form.ui->sCheckBox5->isChecked(), form.ui->CheckBox1->isChecked(), form.ui->sCheckBox6->isChecked()};
}

// Whether the stream has played to its end. A track without a stream asks the engine about
// handle 0, which reads as stopped with its length equal to its position; while the track is
// meant to be playing and an entry was opened, that entry could not be opened or decoded, and
// it counts as finished so that the player skips it. Before any open (a playlist filled from
// empty) and after stop or pause it does not count, so that adding files never starts or
// closes anything by itself.
bool trackHasEnded(TETrack& track) {
  if (track.GetActivity() != audio::Activity::Stopped) return false;
  if (track.Stream == 0 && (track.State != PlayState::Playing || !track.OpenAttempted)) return false;
  return track.GetFullLengthBytes() == track.GetFullPositionBytes();
}

// The text after the last path separator.
QString fileNamePart(const QString& path) {
  return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

}  // namespace

void TForm1::startEntry(StartKind kind, const QString& entry) {
  const std::string file = fileOf(entry);
  const bool follows = kind == StartKind::Advance || kind == StartKind::Repeat;
  if (follows && Track->AdoptPrepared(file)) {
    waitingStart_.reset();
    runStartSteps(kind, entry, StreamSource::Adopted);
    return;
  }
  waitingStart_ = WaitingStart{kind, entry};
  Track->OpenFile(file);
}

void TForm1::runStartSteps(StartKind kind, const QString& entry, StreamSource source) {
  for (const StartStep step : startSteps(kind)) {
    switch (step) {
      case StartStep::Stop:
        // An adopted stream has taken the place of the previous one, which has ended.
        if (source == StreamSource::Opened) stopTrack(*this);
        break;
      case StartStep::TakeEntry:
        CurrentFile = entry;
        break;
      case StartStep::Caption:
        setCaption(*this);
        break;
      case StartStep::Open:
        // The stream became the track's when its file opened, or when it was adopted.
        break;
      case StartStep::Effects:
        applyEffects(*this);
        break;
      case StartStep::Play:
        playTrack(*this);
        break;
    }
  }
}

void TForm1::FinishWaitingStart() {
  if (!waitingStart_ || !Track) return;
  switch (Track->LastOpenProgress()) {
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
      Track->Pause();
      break;
    case HeldCommand::Stop:
      stopTrack(*this);
      break;
  }
}

// Between the output moving on into a prepared entry and the tick noticing the end of the one
// before, the prepared entry is what is heard. Whatever comes then (a command, a change to the
// list or its rules) first takes it up, as the tick would have, so that it acts on what is
// heard and cuts nothing. The stream was prepared for the entry that the end certainly starts
// under the list and rules in force up to now: the next one, or the first under "Repeat List".
void TForm1::TakeUpPreparedEntry() {
  if (!Track || waitingStart_ || !Track->PlayingPrepared()) return;
  if (CurrentIndex < entryCount(*this) - 1) {
    advanceToNextEntry();
  } else {
    startFromTheFirstEntry();
  }
}

void TForm1::SettleBeforeCommand() {
  FinishWaitingStart();
  TakeUpPreparedEntry();
}

// A stop given while a start waits for its file is given again once the entry has started.
void TForm1::stopCommand() {
  if (waitingStart_) waitingStart_->held = HeldCommand::Stop;
  stopTrack(*this);
}

void TForm1::ListBox1Click() {
  SettleBeforeCommand();
  CurrentIndex = playlist_->selection();
  // A click beside the entries, or on an empty one, only stops the track, and for no entry
  // the read fails after the stop.
  const bool onAnEntry = CurrentIndex >= 0 && CurrentIndex < entryCount(*this);
  if (!onAnEntry || playlist_->entry(CurrentIndex).isEmpty()) {
    stopCommand();
    takeCurrentEntry(*this);
    return;
  }
  startEntry(StartKind::ListClick, playlist_->entry(CurrentIndex));
}

void TForm1::BitBtn2Click() {
  SettleBeforeCommand();
  if (waitingStart_) waitingStart_->held = HeldCommand::None;
  // A list filled from empty has nothing open yet: play starts the selected entry, or the
  // first when none is selected, as a click on it would.
  if (!Track->OpenAttempted && entryCount(*this) > 0) {
    if (playlist_->selection() < 0) selectEntry(*this, 0);
    ListBox1Click();
    return;
  }
  playTrack(*this);
  setCaption(*this);
  applyEffects(*this);
}

void TForm1::BitBtn3Click() {
  SettleBeforeCommand();
  if (waitingStart_) waitingStart_->held = HeldCommand::Pause;
  Track->Pause();
}

void TForm1::BitBtn4Click() {
  SettleBeforeCommand();
  stopCommand();
}

void TForm1::sBitBtn2Click() {
  SettleBeforeCommand();
  if (CurrentIndex < entryCount(*this) - 1) ++CurrentIndex;
  startEntry(StartKind::Next, playlist_->entry(CurrentIndex));
}

void TForm1::sBitBtn3Click() {
  SettleBeforeCommand();
  if (CurrentIndex > 0) --CurrentIndex;
  startEntry(StartKind::Previous, playlist_->entry(CurrentIndex));
}

bool TForm1::EndOfTrackWouldAct() {
  if (!Track || waitingStart_) return false;
  return trackHasEnded(*Track) && endOfEntryActs(CurrentIndex, entryCount(*this), rulesOf(*this));
}

void TForm1::CheckTrackEnd() {
  // A start waiting for its file decides what follows once the file has opened or failed.
  if (waitingStart_ || !trackHasEnded(*Track)) return;
  if (CurrentIndex < entryCount(*this) - 1) {
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
void TForm1::advanceToNextEntry() {
  ++CurrentIndex;
  selectEntry(*this, CurrentIndex);
  startEntry(StartKind::Advance, playlist_->entry(CurrentIndex));
}

void TForm1::ExitAtListEnd() {
  if (!ui->sCheckBox5->isChecked()) return;
  if (CurrentIndex != entryCount(*this) - 1) return;
  // The window closes once this tick is over; the other rules still run in it.
  close();
}

void TForm1::RepeatFromStart() {
  if (!ui->CheckBox1->isChecked() || entryCount(*this) == 0) return;
  startFromTheFirstEntry();
}

void TForm1::startFromTheFirstEntry() {
  selectEntry(*this, 0);
  CurrentIndex = 0;
  startEntry(StartKind::Repeat, playlist_->entry(CurrentIndex));
}

void TForm1::PlayRandomEntry() {
  const int count = entryCount(*this);
  if (!ui->sCheckBox6->isChecked() || count == 0) return;
  Reseed();
  // The third of three draws is the one used. The range is one short of the list, so the
  // last entry is never drawn.
  const auto range = static_cast<uint32_t>(count - 1);
  RandomBelow(range);
  RandomBelow(range);
  CurrentIndex = static_cast<int32_t>(RandomBelow(range));
  startEntry(StartKind::Random, playlist_->entry(CurrentIndex));
}

void TForm1::SetCaptionFromCurrentFile() { setWindowTitle(shortenedCaption(fileNamePart(CurrentFile))); }

void TForm1::PrepareNextEntry() {
  // While a file opens to replace the current stream, what follows that stream is not known.
  if (!Track || waitingStart_) return;
  const int next = certainNextEntry(CurrentIndex, entryCount(*this), rulesOf(*this));
  if (next < 0) {
    Track->DropPrepared();
    return;
  }
  if (!Track->WantsNext()) return;
  Track->PrepareNext(fileOf(playlist_->entry(next)));
}

void TForm1::RecheckPreparedEntry() {
  if (!Track || !Track->HasPrepared()) return;
  TakeUpPreparedEntry();
  const int next = certainNextEntry(CurrentIndex, entryCount(*this), rulesOf(*this));
  if (next >= 0 && Track->IsPrepared(fileOf(playlist_->entry(next)))) return;
  Track->DropPrepared();
}
