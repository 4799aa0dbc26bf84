#include <QAction>
#include <QMenu>
#include <optional>

#include "app/MediaHooks.h"
#include "app/TForm1.h"
#include "ui/MprisService.h"
#include "ui/TrayIcon.h"
#include "ui_TForm1.h"

namespace {

// Page indices of sPageControl1.
constexpr int kPlaylistPage = 0;
constexpr int kEffectsPage = 1;
constexpr int kEqualizerPage = 2;
constexpr int kGraphPage = 3;

// Shows the page control below the transport panel, on `page` or on the page it already has,
// and lets the window grow to hold it.
void showPages(TForm1& form, std::optional<int> page) {
  form.ui->sPageControl1->show();
  if (page) form.ui->sPageControl1->setCurrentIndex(*page);
  form.updateClientSize();
}

}  // namespace

void TForm1::seting1Click() { showPages(*this, kEffectsPage); }
void TForm1::OpenFiles1Click() { showPages(*this, kPlaylistPage); }
void TForm1::SettingEQ1Click() { showPages(*this, kEqualizerPage); }
void TForm1::svernut1Click() { HideToTray(); }
void TForm1::rashirit1Click() { showPages(*this, std::nullopt); }
void TForm1::Grafik1Click() { showPages(*this, kGraphPage); }

void TForm1::maximaze1Click() { RestoreFromTray(); }
void TForm1::play1Click() { ui->BitBtn2->click(); }
void TForm1::pause1Click() { ui->BitBtn3->click(); }
void TForm1::stop1Click() { ui->BitBtn4->click(); }
void TForm1::N1Click() { ui->sBitBtn2->click(); }
void TForm1::N2Click() { ui->sBitBtn3->click(); }

void TForm1::CreateTrayIcon() {
  const QIcon icon = TrayIcon::applicationIcon();
  setWindowIcon(icon);
  CoolTrayIcon1 = std::make_unique<TrayIcon>(icon, menus_.PopupMenu2);
  Mpris = std::make_unique<MprisService>(
      mediaHooks(*player_, this, [this] { guarded([this] { RestoreFromTray(); }); }, [this] { close(); }));
}

void TForm1::CloseOutsideInputs() {
  Mpris.reset();
  CoolTrayIcon1.reset();
  for (QMenu* menu : {menus_.PopupMenu1, menus_.PopupMenu2, menus_.PopupForPlayList}) menu->close();
}

// Hiding keeps the layout, and playback, the timers and the drawing go on. A desktop without
// a tray would leave nothing to restore the window from, so there it is minimised instead.
void TForm1::HideToTray() {
  if (!TrayIcon::isTrayAvailable()) {
    showMinimized();
    return;
  }
  hide();
}

void TForm1::RestoreFromTray() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}
