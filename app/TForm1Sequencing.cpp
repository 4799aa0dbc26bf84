// Which playlist entry plays, and when the player moves on: the transport buttons, clicks on
// the list, the end-of-track check of the playback tick and the three end-of-list rules.
//
// Each way of starting an entry combines the same few steps in an order of its own, and the
// orders differ on purpose: the list click stops the track before it reads the entry, so a
// click beside the entries still stops playback, while next and previous read the entry
// first, so that a failing read leaves the track playing. Every way that opens a stream puts
// the ticked effects and the equaliser on it before it plays.

#include <QCheckBox>
#include <QListWidget>

#include "app/TForm1.h"
#include "audio/TETrack.h"
#include "playlist/NextEntry.h"
#include "playlist/Random.h"
#include "playlist/WindowCaption.h"
#include "settings/ByteText.h"
#include "ui_TForm1.h"

namespace {

// The steps that the starting operations combine.
void stopTrack(TForm1& form) { form.Track->Stop(); }
void playTrack(TForm1& form) { form.Track->Play(); }
void applyEffects(TForm1& form) { form.ApplyEffectSwitches(); }
void setCaption(TForm1& form) { form.SetCaptionFromCurrentFile(); }

// Raises the list-index error when CurrentIndex names no entry.
void takeCurrentEntry(TForm1& form) { form.CurrentFile = form.PlaylistEntry(form.CurrentIndex); }

void openCurrentFile(TForm1& form) {
  form.Track->OpenFile(bytesFromText(form.CurrentFile).toStdString());
}

// A stream prepared for the current entry near the end of the previous one takes over,
// already playing from where the previous one ended; false when there is none.
bool adoptCurrentFile(TForm1& form) {
  return form.Track->AdoptPrepared(bytesFromText(form.CurrentFile).toStdString());
}

int entryCount(const TForm1& form) { return form.ui->ListBox1->count(); }

void selectEntry(TForm1& form, int index) { form.ui->ListBox1->setCurrentRow(index); }

// The entry read first lies in the list, so reading it cannot fail; with it read, a stream
// prepared for it can take over in place of the stop and the open.
void advanceToNextEntry(TForm1& form) {
  ++form.CurrentIndex;
  selectEntry(form, form.CurrentIndex);
  takeCurrentEntry(form);
  if (!adoptCurrentFile(form)) {
    stopTrack(form);
    openCurrentFile(form);
  }
  applyEffects(form);
  playTrack(form);
  setCaption(form);
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

void TForm1::ListBox1Click() {
  CurrentIndex = ui->ListBox1->currentRow();
  stopTrack(*this);
  takeCurrentEntry(*this);
  if (CurrentFile.isEmpty()) return;
  setCaption(*this);
  openCurrentFile(*this);
  applyEffects(*this);
  playTrack(*this);
}

void TForm1::BitBtn2Click() {
  // A list filled from empty has nothing open yet: play starts the selected entry, or the
  // first when none is selected, as a click on it would.
  if (!Track->OpenAttempted && entryCount(*this) > 0) {
    if (ui->ListBox1->currentRow() < 0) selectEntry(*this, 0);
    ListBox1Click();
    return;
  }
  playTrack(*this);
  setCaption(*this);
  applyEffects(*this);
}

void TForm1::BitBtn3Click() { Track->Pause(); }

void TForm1::BitBtn4Click() { stopTrack(*this); }

void TForm1::sBitBtn2Click() {
  if (CurrentIndex < entryCount(*this) - 1) ++CurrentIndex;
  takeCurrentEntry(*this);
  stopTrack(*this);
  openCurrentFile(*this);
  applyEffects(*this);
  playTrack(*this);
  setCaption(*this);
}

void TForm1::sBitBtn3Click() {
  if (CurrentIndex > 0) --CurrentIndex;
  takeCurrentEntry(*this);
  stopTrack(*this);
  openCurrentFile(*this);
  applyEffects(*this);
  playTrack(*this);
  setCaption(*this);
}

bool TForm1::NothingToTick() const { return Track && Track->Stream == 0 && !trackHasEnded(*Track); }

void TForm1::CheckTrackEnd() {
  if (!trackHasEnded(*Track)) return;
  if (CurrentIndex < entryCount(*this) - 1) {
    advanceToNextEntry(*this);
    return;
  }
  // A finished last entry stays finished, so these run again on every tick until one of
  // them starts something.
  ExitAtListEnd();
  RepeatFromStart();
  PlayRandomEntry();
}

void TForm1::ExitAtListEnd() {
  if (!ui->sCheckBox5->isChecked()) return;
  if (CurrentIndex != entryCount(*this) - 1) return;
  // The window closes once this tick is over; the other rules still run in it.
  close();
}

void TForm1::RepeatFromStart() {
  if (!ui->CheckBox1->isChecked() || entryCount(*this) == 0) return;
  selectEntry(*this, 0);
  CurrentIndex = 0;
  takeCurrentEntry(*this);
  setCaption(*this);
  if (!adoptCurrentFile(*this)) {
    openCurrentFile(*this);
    stopTrack(*this);
  }
  applyEffects(*this);
  playTrack(*this);
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
  stopTrack(*this);
  takeCurrentEntry(*this);
  openCurrentFile(*this);
  applyEffects(*this);
  playTrack(*this);
}

void TForm1::SetCaptionFromCurrentFile() { setWindowTitle(shortenedCaption(fileNamePart(CurrentFile))); }

void TForm1::PrepareNextEntry() {
  if (!Track) return;
  const EndOfListRules rules{ui->sCheckBox5->isChecked(), ui->CheckBox1->isChecked(), ui->sCheckBox6->isChecked()};
  const int next = certainNextEntry(CurrentIndex, entryCount(*this), rules);
  if (next < 0) {
    Track->DropPrepared();
    return;
  }
  if (!Track->WantsNext()) return;
  Track->PrepareNext(bytesFromText(PlaylistEntry(next)).toStdString());
}

void TForm1::DropPreparedEntry() {
  if (Track) Track->DropPrepared();
}
