#include <QAction>
#include <QTabWidget>

#include "app/TForm1.h"
#include "ui_TForm1.h"

namespace {
// A page's hint shows over the page and over its tab.
void setPageHint(QTabWidget* pages, QWidget* page, const QString& hint) {
  page->setToolTip(hint);
  pages->setTabToolTip(pages->indexOf(page), hint);
}
}  // namespace

// The window is designed with English and transliterated texts; the user reads Russian.
// Every text not replaced here keeps its design form for the whole run.
void TForm1::LocalizeInterface() {
  setPageHint(ui->sPageControl1, ui->sTabSheet4, QStringLiteral("Выбор отображения графика"));
  setPageHint(ui->sPageControl1, ui->sTabSheet1, QStringLiteral("Список треков"));
  setPageHint(ui->sPageControl1, ui->sTabSheet2, QStringLiteral("Выбор звуковых эффектов"));
  setPageHint(ui->sPageControl1, ui->sTabSheet3, QStringLiteral("Настройка эквалайзера"));
  ui->Panel1->setToolTip(QStringLiteral("Графический эквалайзер"));
  ui->sBitBtn1->setToolTip(QStringLiteral("Минимизировать"));
  ui->BitBtn2->setToolTip(QStringLiteral("Старт"));
  ui->BitBtn3->setToolTip(QStringLiteral("Пауза"));
  ui->BitBtn4->setToolTip(QStringLiteral("Стоп"));
  ui->sCheckBox8->setCaption(QStringLiteral("Включить"));
  ui->CheckBox1->setText(QStringLiteral("Повторять список"));
  ui->sCheckBox5->setCaption(QStringLiteral("По окончании выход"));
  ui->sCheckBox6->setCaption(QStringLiteral("Случайный трэк"));
  seting1->setText(QStringLiteral("DirectX эффекты"));
  Interfase1->setText(QStringLiteral("Обложки"));
  OpenFiles1->setText(QStringLiteral("Открыть файлы"));
  SettingEQ1->setText(QStringLiteral("Настройки эквалайзера"));
  svernut1->setText(QStringLiteral("Свернуть"));
  rashirit1->setText(QStringLiteral("Расширить"));
  Grafik1->setText(QStringLiteral("Графики"));
  ClearPlayList1->setText(QStringLiteral("Очистить список"));
  deleteselectedfile1->setText(QStringLiteral("Удалить выделенный трек"));
  maximaze1->setText(QStringLiteral("Развернуть"));
  ui->sGauge1->setToolTip(QStringLiteral("Позиция трека"));
  ui->sGauge2->setToolTip(QStringLiteral("Громкость"));
  ui->sTrackBar1->setToolTip(QStringLiteral("Баланс"));
  ui->sBitBtn2->setToolTip(QStringLiteral("Следующий трек"));
  ui->sBitBtn3->setToolTip(QStringLiteral("Предыдущий трек"));
  ui->BitBtn1->setText(QStringLiteral("Открыть "));
  ui->BitBtn5->setText(QStringLiteral("Очистить "));
}
