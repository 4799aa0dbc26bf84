// PLACEHOLDER until the real implementation lands.
#include "app/TForm1.h"

void TForm1::BitBtn1Click() {}
void TForm1::BitBtn5Click() {}
void TForm1::ClearPlayList1Click() {}
void TForm1::deleteselectedfile1Click() {}
void TForm1::FilesDropped(const QStringList&) {}
void TForm1::LoadPlaylist() {}
void TForm1::SavePlaylist() {}
void TForm1::HandOffReceived(const QByteArray&) {}
QString TForm1::PlaylistEntry(int) const { return {}; }
