// PLACEHOLDER until the real implementation lands.
#include "app/TForm1.h"

void TForm1::BindSurface(QWidget*) {}
void TForm1::ReleaseSurface() {}
void TForm1::sBitBtn1Click() {}
void TForm1::sBitBtn4Click() {}
void TForm1::Timer3Timer() {}
void TForm1::DrawSpectrum(int) {}
