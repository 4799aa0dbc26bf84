#include "ui/WindowMenus.h"

#include <QAction>
#include <QMenu>

namespace {

QMenu* menu(QWidget* window, const char* name) {
  auto* created = new QMenu(window);
  created->setObjectName(QString::fromLatin1(name));
  return created;
}

QAction* item(QMenu* menu, const char* name, const char* caption) {
  QAction* action = menu->addAction(QString::fromUtf8(caption));
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

}  // namespace

WindowMenus WindowMenus::build(QWidget* window) {
  WindowMenus m;
  m.PopupForPlayList = menu(window, "PopupForPlayList");
  m.ClearPlayList1 = item(m.PopupForPlayList, "ClearPlayList1", "Clear Play List");
  m.deleteselectedfile1 = item(m.PopupForPlayList, "deleteselectedfile1", "delete selected file");

  m.PopupMenu1 = menu(window, "PopupMenu1");
  m.seting1 = item(m.PopupMenu1, "seting1", "DirectX effects");
  m.Interfase1 = item(m.PopupMenu1, "Interfase1", "Interfase");
  m.OpenFiles1 = item(m.PopupMenu1, "OpenFiles1", "Open Files");
  m.SettingEQ1 = item(m.PopupMenu1, "SettingEQ1", "Setting EQ");
  m.svernut1 = item(m.PopupMenu1, "svernut1", "svernut");
  m.rashirit1 = item(m.PopupMenu1, "rashirit1", "rashirit");
  m.Grafik1 = item(m.PopupMenu1, "Grafik1", "Grafik");

  m.PopupMenu2 = menu(window, "PopupMenu2");
  m.maximaze1 = item(m.PopupMenu2, "maximaze1", "maximaze");
  m.play1 = item(m.PopupMenu2, "play1", "play");
  m.pause1 = item(m.PopupMenu2, "pause1", "pause");
  m.stop1 = item(m.PopupMenu2, "stop1", "stop");
  m.N1 = item(m.PopupMenu2, "N1", ">>");
  m.N2 = item(m.PopupMenu2, "N2", "<<");
  return m;
}
