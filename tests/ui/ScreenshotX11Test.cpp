// Pictures of the skinned window on a real X server: each page, a menu and a balloon hint.
// The test checks that the pictures are not blank; the pictures themselves are for people.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QMenu>
#include <QScreen>
#include <QSet>
#include <QTabWidget>
#include <QTimer>
#include <iostream>

#include "app/TForm1.h"
#include "skin/BalloonHint.h"
#include "skin/HintManager.h"
#include "skin/SkinManager.h"
#include "tests/support/TestFiles.h"

namespace {

void runEventsFor(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

QString shotFolder() {
  QString base = qEnvironmentVariable("TEMBR_TEST_TMP");
  if (base.isEmpty()) base = QDir::tempPath();
  const QString folder = QDir(base).filePath(QStringLiteral("ui-screenshots"));
  QDir().mkpath(folder);
  return folder;
}

// Saves the picture and reports where; checks that it holds more than a few colours.
void keep(const QImage& image, const QString& name) {
  ASSERT_FALSE(image.isNull()) << name.toStdString();
  const QString path = QDir(shotFolder()).filePath(name + QStringLiteral(".png"));
  ASSERT_TRUE(image.save(path)) << path.toStdString();
  std::cout << "screenshot: " << path.toStdString() << std::endl;
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); y += 3)
    for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
  EXPECT_GT(colours.size(), 8) << name.toStdString();
}

TEST(Screenshot, WindowPagesMenuAndBalloon) {
  TempFolder data;
  TForm1 form(data.path());
  if (form.findChild<TsSkinManager*>() == nullptr) TsSkinManager::install(&form);
  TsHintManager* hints = form.findChild<TsHintManager*>();
  if (hints == nullptr) hints = new TsHintManager(&form);

  form.move(40, 40);
  form.show();
  runEventsFor(300);
  keep(form.grab().toImage(), QStringLiteral("transport"));

  // "Расширить" shows the page control, and the window grows to hold it.
  form.findChild<QAction*>(QStringLiteral("rashirit1"))->trigger();
  auto* pages = form.findChild<QTabWidget*>(QStringLiteral("sPageControl1"));
  for (int page = 0; page < pages->count(); ++page) {
    pages->setCurrentIndex(page);
    runEventsFor(100);
    keep(form.grab().toImage(), QStringLiteral("page%1").arg(page));
  }
  pages->setCurrentIndex(3);

  auto* menu = form.findChild<QMenu*>(QStringLiteral("PopupMenu1"));
  menu->popup(form.mapToGlobal(QPoint(60, 60)));
  runEventsFor(300);
  keep(menu->grab().toImage(), QStringLiteral("menu"));
  menu->hide();

  hints->balloon()->showAt(QStringLiteral("Громкость: перетащите, чтобы изменить"),
                           form.findChild<QWidget*>(QStringLiteral("sGauge2"))->mapToGlobal(QPoint(30, 4)));
  runEventsFor(300);
  QScreen* screen = form.screen();
  const QRect area = hints->balloon()->geometry().united(form.geometry());
  keep(screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage(), QStringLiteral("balloon"));
}

}  // namespace
