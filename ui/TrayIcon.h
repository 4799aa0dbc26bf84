#pragma once

// The player's icon in the desktop's notification area. Qt's QSystemTrayIcon speaks the
// StatusNotifierItem protocol when the session bus has a watcher, and the XEmbed tray
// protocol otherwise; with either it puts the icon back by itself when the tray host
// restarts. GUI thread only.

#include <QIcon>
#include <QObject>

class QMenu;
class QSystemTrayIcon;

class TrayIcon : public QObject {
  Q_OBJECT

 public:
  // Puts `icon` into the tray for the life of the object. `popupMenu` (not owned; it must
  // outlive this object) opens at the pointer on a right-button press. A left click or a
  // double click does nothing, and the icon has no tooltip.
  TrayIcon(const QIcon& icon, QMenu* popupMenu, QObject* parent = nullptr);
  ~TrayIcon() override;

  // Whether the desktop offers a tray right now. Without one, a window hidden to the tray
  // could never be brought back.
  static bool isTrayAvailable();

  // The program's icon: one 64 x 64 image at 32 bits per pixel, shared by the window.
  static QIcon applicationIcon();

  QMenu* popupMenu() const { return popupMenu_; }
  QSystemTrayIcon* systemTrayIcon() const { return trayIcon_; }

 private:
  QMenu* popupMenu_;
  QSystemTrayIcon* trayIcon_;
};
