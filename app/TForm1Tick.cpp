// PLACEHOLDER until the real implementation lands.
#include "app/TForm1.h"

void TForm1::Timer1Timer() {}
void TForm1::sGauge1MouseMove(Qt::MouseButtons, int, int) {}
void TForm1::sGauge2MouseMove(Qt::MouseButtons, int, int) {}
