#pragma once

#include <QPushButton>
#include <QString>

// A push button drawn by the skin. GUI thread.
class TsBitBtn : public QPushButton {
  Q_OBJECT
  Q_PROPERTY(QString skinSection READ skinSection WRITE setSkinSection)

 public:
  explicit TsBitBtn(QWidget* parent = nullptr);

  QString skinSection() const { return skinSection_; }
  void setSkinSection(const QString& section);

 private:
  QString skinSection_ = QStringLiteral("BUTTON");
};
