#pragma once

// The window's three pop-up menus and their named items: the playlist's context menu, the
// window menu of the transport panel and the tray menu, with the captions of the design. The
// menus are children of the window they are built for, which owns them; this is the set of
// names by which the window reaches them. GUI thread only.

class QAction;
class QMenu;
class QWidget;

struct WindowMenus {
  // Builds the three menus as children of `window`; every menu and item carries its name as
  // its object name.
  static WindowMenus build(QWidget* window);

  // The playlist's context menu.
  QMenu* PopupForPlayList = nullptr;
  QAction* ClearPlayList1 = nullptr;
  QAction* deleteselectedfile1 = nullptr;
  // The window menu, opened on the transport panel.
  QMenu* PopupMenu1 = nullptr;
  QAction* seting1 = nullptr;
  QAction* Interfase1 = nullptr;
  QAction* OpenFiles1 = nullptr;
  QAction* SettingEQ1 = nullptr;
  QAction* svernut1 = nullptr;
  QAction* rashirit1 = nullptr;
  QAction* Grafik1 = nullptr;
  // The tray menu.
  QMenu* PopupMenu2 = nullptr;
  QAction* maximaze1 = nullptr;
  QAction* play1 = nullptr;
  QAction* pause1 = nullptr;
  QAction* stop1 = nullptr;
  QAction* N1 = nullptr;
  QAction* N2 = nullptr;
};
