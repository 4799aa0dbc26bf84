// PLACEHOLDER until the real implementation lands.
#include "app/TForm1.h"

void TForm1::seting1Click() {}
void TForm1::OpenFiles1Click() {}
void TForm1::SettingEQ1Click() {}
void TForm1::svernut1Click() {}
void TForm1::rashirit1Click() {}
void TForm1::Grafik1Click() {}
void TForm1::maximaze1Click() {}
void TForm1::play1Click() {}
void TForm1::pause1Click() {}
void TForm1::stop1Click() {}
void TForm1::N1Click() {}
void TForm1::N2Click() {}
void TForm1::CreateTrayIcon() {}
void TForm1::HideToTray() {}
void TForm1::RestoreFromTray() {}
