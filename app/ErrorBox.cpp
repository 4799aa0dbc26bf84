#include "app/ErrorBox.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

QString applicationTitle() {
  QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
  if (name.isEmpty()) name = QCoreApplication::applicationName();
  const qsizetype dot = name.indexOf(QLatin1Char('.'));
  if (dot >= 0) name.truncate(dot);
  if (name.isEmpty()) return name;
  return name.left(1) + name.mid(1).toLower();
}

QString errorBoxText(const QString& text) {
  if (!text.isEmpty() && text.back() > QLatin1Char('.')) return text + QLatin1Char('.');
  return text;
}

namespace {

// Qt centres a box over its parent; ours stand in the middle of the screen, and above the
// window, which stays on top of the others.
class ScreenCentredBox : public QMessageBox {
 public:
  ScreenCentredBox(Icon icon, const QString& text, QWidget* parent)
      : QMessageBox(icon, applicationTitle(), text, QMessageBox::Ok, parent) {
    setWindowFlag(Qt::WindowStaysOnTopHint);
  }

 protected:
  // The box has its final size only once its own show event has laid it out.
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);
    QRect frame = frameGeometry();
    frame.moveCenter(screen()->availableGeometry().center());
    move(frame.topLeft());
  }
};

}  // namespace

static void runBox(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
  ScreenCentredBox box(icon, text, parent);
  box.setObjectName(icon == QMessageBox::NoIcon ? QStringLiteral("MessageBox")
                                                : QStringLiteral("ErrorBox"));
  box.exec();
}

void showErrorBox(QWidget* parent, const QString& text) {
  runBox(parent, QMessageBox::Critical, errorBoxText(text));
}

void showMessage(QWidget* parent, const QString& text) {
  runBox(parent, QMessageBox::NoIcon, text);
}
