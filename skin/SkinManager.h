#pragma once

// The skin manager: it holds the active skin and puts it on a window. Every skinned control
// and every plain control of the window is drawn by the skin's style, except plain sliders,
// which keep the platform look. Menus and widgets added to the window later are adopted
// when they are first shown.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class QStyle;
class Skin;

class TsSkinManager : public QObject {
  Q_OBJECT

 public:
  // Skins `window` and everything in it, now and later. The manager is a child of the window.
  static TsSkinManager* install(QWidget* window);

  // The name of the active skin: "WLM (internal)", from start to end.
  static QString activeSkin();
  static const Skin& skin();
  // The style that draws with the active skin; one instance for the whole program.
  static QStyle* style();
  // The look kept by controls the skin does not adopt.
  static QStyle* platformStyle();

  // Whether the skin draws `widget`: true for everything but plain sliders.
  static bool adopts(const QWidget* widget);
  // Puts the skin's style on `widget` alone (or the platform look when not adopted).
  static void adopt(QWidget* widget);

  QWidget* window() const { return window_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit TsSkinManager(QWidget* window);
  bool belongsToWindow(const QWidget* widget) const;

  QPointer<QWidget> window_;
};
