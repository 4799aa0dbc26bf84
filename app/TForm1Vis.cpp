// The drawing surface, the frame step and the drawing dispatch.
#include "app/TForm1.h"
#include "ui_TForm1.h"
#include "vis/VisSurface.h"

void TForm1::BindSurface(QWidget* panel) {
  if (!Surface) Surface = std::make_unique<VisSurface>();
  Surface->bind(panel);
}

void TForm1::ReleaseSurface() {
  if (Surface) Surface->release();
}

void TForm1::sBitBtn1Click() {
  ui->sPageControl1->hide();
  ui->Panel2->hide();
  BindSurface(ui->Panel1);
  updateClientSize();
}

void TForm1::sBitBtn4Click() {
  ui->Panel2->show();
  BindSurface(ui->Panel2);
  updateClientSize();
}

void TForm1::Timer3Timer() {
  if (Surface) Surface->present();
}

void TForm1::DrawSpectrum(int index) {
  // The levels move even while nothing is bound; an unbound surface just records nothing.
  if (!Surface) Surface = std::make_unique<VisSurface>();
  const WindowReadings readings{ui->Panel1->height(), static_cast<double>(ui->sGauge1->Progress()),
                                ui->RadioGroup1->ItemIndex()};
  spectrum_.DrawSpectrum(index, readings, Surface->frame());
}
