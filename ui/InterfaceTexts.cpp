#include "ui/InterfaceTexts.h"

#include <QAction>
#include <QTabWidget>

#include "ui/WindowMenus.h"
#include "ui_TForm1.h"

namespace {
// A page's hint shows over the page and over its tab.
void setPageHint(QTabWidget* pages, QWidget* page, const QString& hint) {
  page->setToolTip(hint);
  pages->setTabToolTip(pages->indexOf(page), hint);
}
}  // namespace

void LocalizeInterface(Ui::TForm1& form, const WindowMenus& menus) {
  setPageHint(form.sPageControl1, form.sTabSheet4, QStringLiteral("Выбор отображения графика"));
  setPageHint(form.sPageControl1, form.sTabSheet1, QStringLiteral("Список треков"));
  setPageHint(form.sPageControl1, form.sTabSheet2, QStringLiteral("Выбор звуковых эффектов"));
  setPageHint(form.sPageControl1, form.sTabSheet3, QStringLiteral("Настройка эквалайзера"));
  form.Panel1->setToolTip(QStringLiteral("Графический эквалайзер"));
  form.sBitBtn1->setToolTip(QStringLiteral("Минимизировать"));
  form.BitBtn2->setToolTip(QStringLiteral("Старт"));
  form.BitBtn3->setToolTip(QStringLiteral("Пауза"));
  form.BitBtn4->setToolTip(QStringLiteral("Стоп"));
  form.sCheckBox8->setCaption(QStringLiteral("Включить"));
  form.CheckBox1->setText(QStringLiteral("Повторять список"));
  form.sCheckBox5->setCaption(QStringLiteral("По окончании выход"));
  form.sCheckBox6->setCaption(QStringLiteral("Случайный трэк"));
  menus.seting1->setText(QStringLiteral("DirectX эффекты"));
  menus.Interfase1->setText(QStringLiteral("Обложки"));
  menus.OpenFiles1->setText(QStringLiteral("Открыть файлы"));
  menus.SettingEQ1->setText(QStringLiteral("Настройки эквалайзера"));
  menus.svernut1->setText(QStringLiteral("Свернуть"));
  menus.rashirit1->setText(QStringLiteral("Расширить"));
  menus.Grafik1->setText(QStringLiteral("Графики"));
  menus.ClearPlayList1->setText(QStringLiteral("Очистить список"));
  menus.deleteselectedfile1->setText(QStringLiteral("Удалить выделенный трек"));
  menus.maximaze1->setText(QStringLiteral("Развернуть"));
  form.sGauge1->setToolTip(QStringLiteral("Позиция трека"));
  form.sGauge2->setToolTip(QStringLiteral("Громкость"));
  form.sTrackBar1->setToolTip(QStringLiteral("Баланс"));
  form.sBitBtn2->setToolTip(QStringLiteral("Следующий трек"));
  form.sBitBtn3->setToolTip(QStringLiteral("Предыдущий трек"));
  form.BitBtn1->setText(QStringLiteral("Открыть "));
  form.BitBtn5->setText(QStringLiteral("Очистить "));
}
