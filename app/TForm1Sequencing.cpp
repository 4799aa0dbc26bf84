// PLACEHOLDER until the real implementation lands.
#include "app/TForm1.h"

void TForm1::ListBox1Click() {}
void TForm1::BitBtn2Click() {}
void TForm1::BitBtn3Click() {}
void TForm1::BitBtn4Click() {}
void TForm1::sBitBtn2Click() {}
void TForm1::sBitBtn3Click() {}
void TForm1::CheckTrackEnd() {}
void TForm1::ExitAtListEnd() {}
void TForm1::RepeatFromStart() {}
void TForm1::PlayRandomEntry() {}
void TForm1::SetCaptionFromCurrentFile() {}
