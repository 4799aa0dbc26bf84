// PLACEHOLDER until the real implementation lands.
#include "app/TForm1.h"

void TForm1::sCheckBox1Click() {}
void TForm1::sCheckBox2Click() {}
void TForm1::sCheckBox3Click() {}
void TForm1::sCheckBox4Click() {}
void TForm1::sCheckBox7Click() {}
void TForm1::sCheckBox9Click() {}
void TForm1::sTrackBar5Change() {}
void TForm1::sTrackBar6Change() {}
void TForm1::sTrackBar7Change() {}
void TForm1::sTrackBar8Change() {}
void TForm1::sTrackBar9Change() {}
void TForm1::sCheckBox8Click() {}
void TForm1::ApplyEffectSwitches() {}
void TForm1::PushEffectParameters() {}
void TForm1::ApplyEqualizerSwitch() {}
