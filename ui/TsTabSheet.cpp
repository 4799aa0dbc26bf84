#include "ui/TsTabSheet.h"

TsTabSheet::TsTabSheet(QWidget* parent) : QWidget(parent) {}

void TsTabSheet::setSkinSection(const QString& section) {
  if (section == skinSection_) return;
  skinSection_ = section;
  update();
}
