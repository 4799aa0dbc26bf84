#include "app/ErrorBox.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

HandlerError::HandlerError(const QString& text) : std::runtime_error(text.toUtf8().toStdString()) {}

void raiseError(const QString& text) { throw HandlerError(text); }

QString applicationTitle() {
  QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
  if (name.isEmpty()) name = QCoreApplication::applicationName();
  const qsizetype dot = name.indexOf(QLatin1Char('.'));
  if (dot >= 0) name.truncate(dot);
  if (name.isEmpty()) return name;
  return name.left(1).toUpper() + name.mid(1).toLower();
}

QString errorBoxText(const QString& text) {
  if (!text.isEmpty() && text.back() > QLatin1Char('.')) return text + QLatin1Char('.');
  return text;
}

static void runBox(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
  QMessageBox box(icon, applicationTitle(), text, QMessageBox::Ok, parent);
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
