// Adding, removing, loading and saving playlist entries, and the paths of the command line,
// handed over from a second start or given to the first.
// The playlist holds the entries as texts; a path from the file keeps any bytes that are not
// UTF-8 as lone surrogates (settings/ByteText.h) and goes back to bytes when opened.

#include <QFileDialog>
#include <QTimer>

#include "app/TForm1.h"
#include "playlist/Player.h"
#include "playlist/Playlist.h"
#include "settings/ByteText.h"
#include "settings/IniFile.h"
#include "ui_TForm1.h"

void TForm1::BitBtn1Click() {
  // The index is taken before the dialog runs, whether or not it is confirmed.
  player_->takeCurrentIndexFromSelection();
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

void TForm1::LoadPlaylist() { player_->LoadPlaylist(*PlaylistIni); }

void TForm1::SavePlaylist() {
  if (!PlaylistIni) return;
  playlist_->SavePlaylist(*PlaylistIni);
  PlaylistIni.reset();
}

void TForm1::HandOffReceived(const QByteArrayList& paths) {
  if (player_->HandOffReceived(paths)) RestoreFromTray();
}

void TForm1::StartWithFiles(const QByteArrayList& paths) {
  if (paths.isEmpty()) return;
  Timer4->stop();
  HandOffReceived(paths);
}
