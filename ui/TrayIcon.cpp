#include "ui/TrayIcon.h"

#include <QMenu>
#include <QSystemTrayIcon>

// Resources of a static library are only linked when something names their initialiser,
// which has to happen outside any namespace.
static void loadIconResources() { Q_INIT_RESOURCE(tembr); }

namespace {
const char* const kIconResource = ":/tembr/tembr.png";
}  // namespace

TrayIcon::TrayIcon(const QIcon& icon, QMenu* popupMenu, QObject* parent)
    : QObject(parent), popupMenu_(popupMenu), trayIcon_(new QSystemTrayIcon(icon, this)) {
  // Qt opens the context menu itself: at the pointer on the right button's press with the
  // XEmbed tray, through the exported menu with a StatusNotifierItem host. The activated()
  // signal that left clicks raise is deliberately left unconnected.
  trayIcon_->setContextMenu(popupMenu_);
  trayIcon_->setToolTip(QString());
  trayIcon_->show();
}

TrayIcon::~TrayIcon() { trayIcon_->hide(); }

bool TrayIcon::isTrayAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

QIcon TrayIcon::applicationIcon() {
  loadIconResources();
  return QIcon(QString::fromLatin1(kIconResource));
}
