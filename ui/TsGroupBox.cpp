#include "ui/TsGroupBox.h"

TsGroupBox::TsGroupBox(QWidget* parent) : QGroupBox(parent) {}

void TsGroupBox::setSkinSection(const QString& section) {
  if (section == skinSection_) return;
  skinSection_ = section;
  update();
}
