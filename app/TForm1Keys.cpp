// PLACEHOLDER until the real implementation lands.
#include "app/TForm1.h"

void TForm1::FormKeyDown(int, Qt::KeyboardModifiers) {}
