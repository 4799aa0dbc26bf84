// PLACEHOLDER bodies below PlaylistEntry until the real implementation lands.
#include <QListWidget>

#include "app/ErrorBox.h"
#include "app/TForm1.h"
#include "ui_TForm1.h"

void TForm1::BitBtn1Click() {}
void TForm1::BitBtn5Click() {}
void TForm1::ClearPlayList1Click() {}
void TForm1::deleteselectedfile1Click() {}
void TForm1::FilesDropped(const QStringList&) {}
void TForm1::LoadPlaylist() {}
void TForm1::SavePlaylist() {}
void TForm1::HandOffReceived(const QByteArray&) {}

QString TForm1::PlaylistEntry(int k) const {
  if (k < 0 || k >= ui->ListBox1->count()) {
    raiseError(QString("List index out of bounds (%1)").arg(k));
  }
  return ui->ListBox1->item(k)->text();
}
