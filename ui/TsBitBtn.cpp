#include "ui/TsBitBtn.h"

TsBitBtn::TsBitBtn(QWidget* parent) : QPushButton(parent) {}

void TsBitBtn::setSkinSection(const QString& section) {
  if (section == skinSection_) return;
  skinSection_ = section;
  update();
}
