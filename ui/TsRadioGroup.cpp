#include "ui/TsRadioGroup.h"

TsRadioGroup::TsRadioGroup(QWidget* parent) : TRadioGroup(parent) {}

void TsRadioGroup::setSkinSection(const QString& section) {
  if (section == skinSection_) return;
  skinSection_ = section;
  update();
}
