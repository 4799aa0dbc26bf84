#pragma once

#include <QFrame>
#include <QString>

// A panel drawn by the skin, the background of the transport controls. GUI thread.
class TsPanel : public QFrame {
  Q_OBJECT
  Q_PROPERTY(QString skinSection READ skinSection WRITE setSkinSection)

 public:
  explicit TsPanel(QWidget* parent = nullptr);

  QString skinSection() const { return skinSection_; }
  void setSkinSection(const QString& section);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString skinSection_ = QStringLiteral("PANEL");
};
