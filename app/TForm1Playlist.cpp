// Adding, removing, loading and saving playlist entries, and the paths of the command line,
// handed over from a second start or given to the first.
// The playlist holds the entries as texts; a path from the file keeps any bytes that are not
// UTF-8 as lone surrogates (settings/ByteText.h) and goes back to bytes when opened.

#include <QFileDialog>
#include <QTimer>

#include "app/TForm1.h"
#include "audio/TETrack.h"
#include "playlist/Playlist.h"
#include "settings/ByteText.h"
#include "settings/IniFile.h"
#include "ui_TForm1.h"

void TForm1::BitBtn1Click() {
  TakeUpPreparedEntry();
  // The index is taken before the dialog runs, whether or not it is confirmed; the entry that
  // follows the current one may be another from now on.
  CurrentIndex = playlist_->count() > 0 ? playlist_->selection() : 0;
  RecheckPreparedEntry();
  QFileDialog dialog(this, QStringLiteral("Open Files"));
  dialog.setObjectName(QStringLiteral("OpenDialog1"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted) return;
  const QList<QUrl> chosen = dialog.selectedUrls();
  if (!chosen.isEmpty()) playlist_->append(textFromLocalFileUrl(chosen.first()));
}

// Every path is kept whole, however long.
void TForm1::FilesDropped(const QStringList& paths) { playlist_->append(paths); }

void TForm1::BitBtn5Click() { playlist_->clear(); }

void TForm1::ClearPlayList1Click() { playlist_->clear(); }

void TForm1::deleteselectedfile1Click() { playlist_->remove(playlist_->selection()); }

void TForm1::LoadPlaylist() {
  playlist_->load(*PlaylistIni);
  if (playlist_->count() == 0) return;
  CurrentFile = playlist_->entry(0);
  playlist_->select(0);
  Track->OpenFile(bytesFromText(CurrentFile).toStdString());
  ApplyEffectSwitches();
}

void TForm1::SavePlaylist() {
  if (!PlaylistIni) return;
  playlist_->SavePlaylist(*PlaylistIni);
  PlaylistIni.reset();
}

void TForm1::HandOffReceived(const QByteArrayList& paths) {
  if (paths.isEmpty()) return;
  const int first = playlist_->count();
  QStringList entries;
  for (const QByteArray& path : paths) entries << textFromBytes(path);
  playlist_->append(entries);
  playlist_->select(first);
  if (isHidden()) {
    RestoreFromTray();
  } else {
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
  }
  ListBox1Click();
}

void TForm1::StartWithFiles(const QByteArrayList& paths) {
  if (paths.isEmpty()) return;
  Timer4->stop();
  HandOffReceived(paths);
}
