#pragma once

#include <QCheckBox>
#include <QString>

// A check box drawn by the skin. With autoSize on (the default) its width follows its
// caption: box, spacing, text and a small margin; its height stays as set. GUI thread.
class TsCheckBox : public QCheckBox {
  Q_OBJECT
  Q_PROPERTY(bool autoSize READ autoSize WRITE setAutoSize)
  Q_PROPERTY(QString skinSection READ skinSection WRITE setSkinSection)

 public:
  explicit TsCheckBox(QWidget* parent = nullptr);

  bool autoSize() const { return autoSize_; }
  void setAutoSize(bool on);
  QString skinSection() const { return skinSection_; }
  void setSkinSection(const QString& section);

  // Sets the caption and, with autoSize on, fits the width to it. setText does the same
  // when called on a TsCheckBox; a caption changed through a base-class pointer is caught
  // up with before the box is next shown or drawn.
  void setCaption(const QString& caption);
  void setText(const QString& text);

  // The width that fits the current caption in the current font and style.
  int fittingWidth() const;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void fitWidth();

  bool autoSize_ = true;
  QString skinSection_ = QStringLiteral("CHECKBOX");
  QString fittedText_;
  bool fitted_ = false;
};
