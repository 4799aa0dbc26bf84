#pragma once

#include <QFrame>
#include <QString>

// A plain panel: a raised frame filled with the palette's window colour and an optional
// caption in its centre. The drawing surfaces are placed inside such panels. GUI thread.
class TPanel : public QFrame {
  Q_OBJECT
  Q_PROPERTY(QString caption READ caption WRITE setCaption)

 public:
  explicit TPanel(QWidget* parent = nullptr);

  QString caption() const { return caption_; }
  void setCaption(const QString& caption);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
};
