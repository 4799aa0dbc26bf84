// Adding, removing, loading and saving playlist entries, and the paths of the command line,
// handed over from a second start or given to the first.
// The list control holds the entries as texts; a path from the file keeps any bytes that are
// not UTF-8 as lone surrogates (settings/ByteText.h) and goes back to bytes when opened.

#include <QFileDialog>
#include <QListWidget>
#include <QLocale>
#include <QTimer>
#include <QTime>

#include "app/ErrorBox.h"
#include "app/TForm1.h"
#include "audio/TETrack.h"
#include "playlist/PlaylistFile.h"
#include "settings/ByteText.h"
#include "settings/IniFile.h"
#include "ui_TForm1.h"

QString TForm1::PlaylistEntry(int k) const {
  if (k < 0 || k >= ui->ListBox1->count()) {
    raiseError(QString("List index out of bounds (%1)").arg(k));
  }
  return ui->ListBox1->item(k)->text();
}

void TForm1::BitBtn1Click() {
  QListWidget* list = ui->ListBox1;
  TakeUpPreparedEntry();
  // The index is taken before the dialog runs, whether or not it is confirmed; the entry that
  // follows the current one may be another from now on.
  CurrentIndex = list->count() > 0 ? list->currentRow() : 0;
  RecheckPreparedEntry();
  QFileDialog dialog(this, QStringLiteral("Open Files"));
  dialog.setObjectName(QStringLiteral("OpenDialog1"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted) return;
  const QList<QUrl> chosen = dialog.selectedUrls();
  if (!chosen.isEmpty()) list->addItem(textFromLocalFileUrl(chosen.first()));
}

void TForm1::FilesDropped(const QStringList& paths) {
  // Every path is kept whole, however long.
  for (const QString& path : paths) ui->ListBox1->addItem(path);
}

void TForm1::BitBtn5Click() { ui->ListBox1->clear(); }

void TForm1::ClearPlayList1Click() { ui->ListBox1->clear(); }

void TForm1::deleteselectedfile1Click() {
  const int row = ui->ListBox1->currentRow();
  if (row < 0 || row >= ui->ListBox1->count()) return;
  delete ui->ListBox1->takeItem(row);
}

void TForm1::LoadPlaylist() {
  const QStringList entries = PlaylistFile(*PlaylistIni).load();
  if (entries.isEmpty()) return;
  ui->ListBox1->addItems(entries);
  CurrentFile = PlaylistEntry(0);
  ui->ListBox1->setCurrentRow(0);
  Track->OpenFile(bytesFromText(CurrentFile).toStdString());
  ApplyEffectSwitches();
}

void TForm1::SavePlaylist() {
  if (!PlaylistIni) return;
  QStringList entries;
  entries.reserve(ui->ListBox1->count());
  for (int row = 0; row < ui->ListBox1->count(); ++row) entries << ui->ListBox1->item(row)->text();
  const QString writeTime = PlaylistFile::timeOfDayText(QTime::currentTime(), QLocale::system());
  PlaylistFile(*PlaylistIni).save(entries, writeTime);
  PlaylistIni.reset();
}

void TForm1::HandOffReceived(const QByteArrayList& paths) {
  if (paths.isEmpty()) return;
  QListWidget* list = ui->ListBox1;
  const int first = list->count();
  for (const QByteArray& path : paths) list->addItem(textFromBytes(path));
  list->setCurrentRow(first);
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
