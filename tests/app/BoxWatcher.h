#pragma once

// Notes and closes every message box that opens while it exists, by its OK button where it
// has one. GUI thread.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

class BoxWatcher {
 public:
  BoxWatcher() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      texts_ << box->text();
      if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
        ok->click();
      } else {
        box->accept();
      }
    });
    timer_.start(10);
  }
  QStringList texts() const { return texts_; }

 private:
  QTimer timer_;
  QStringList texts_;
};
