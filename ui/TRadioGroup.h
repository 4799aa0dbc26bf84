#pragma once

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

// A group box holding one radio button per item, in one column spread evenly over the area
// below the caption. itemIndex names the checked item, -1 for none. GUI thread.
class TRadioGroup : public QGroupBox {
  Q_OBJECT
  Q_PROPERTY(QStringList items READ items WRITE setItems)
  Q_PROPERTY(int itemIndex READ ItemIndex WRITE setItemIndex NOTIFY itemIndexChanged)

 public:
  explicit TRadioGroup(QWidget* parent = nullptr);

  QStringList items() const { return items_; }
  // Replaces the buttons. The item index is kept where it still names an item; an index
  // asked for while the group had no items is applied now.
  void setItems(const QStringList& items);

  int ItemIndex() const { return itemIndex_; }
  int itemIndex() const { return itemIndex_; }
  // Clamped into -1 .. count - 1. A form sets the index before the items it names (the
  // texts come later, with the translatable strings), so an index asked for while there are
  // no items is remembered and applied when the items arrive.
  void setItemIndex(int index);

  // The button of item `index`, or null outside the items.
  QRadioButton* button(int index) const;

 signals:
  void itemIndexChanged(int index);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void arrangeButtons();
  void showIndex();

  QStringList items_;
  QList<QRadioButton*> buttons_;
  QButtonGroup* group_ = nullptr;
  int itemIndex_ = -1;
  int pendingIndex_ = -1;
};
