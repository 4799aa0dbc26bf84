#include "app/ErrorBox.h"
#include "app/TForm1.h"

// The message waits until the user closes its box; the sequences start over meanwhile.
void TForm1::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
  if (const std::optional<QString> message = keySequences_.KeyDown(key, shift)) showMessage(this, *message);
}
