// The program's entry: the single-instance lock, the hand-off from a second start, and the
// main window's life from FormCreate to FormDestroy.

#include <QApplication>
#include <optional>
#include <string_view>

#include "app/DataDirectory.h"
#include "app/HandOffSender.h"
#include "app/HandOffServer.h"
#include "app/RuntimeFolder.h"
#include "app/SingleInstance.h"
#include "app/TForm1.h"
#include "app/TerminationSignals.h"

namespace {

// A second start hands its first argument (or nothing) to the running player and ends
// without reading or writing any file. Whether anyone received it does not matter.
int handOff(const QString& folder, int argc, char** argv) {
  const std::string_view argument = argc > 1 ? std::string_view(argv[1]) : std::string_view();
  sendHandOff(handOffSocketPath(folder), argument);
  return 0;
}

void bringToFront(TForm1& form) {
  if (form.isHidden() || form.isMinimized()) form.guarded([&] { form.RestoreFromTray(); });
  form.raise();
  form.activateWindow();
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<QString> folder = runtimeFolder();
  const LockState lock = folder ? acquireSingleInstanceLock(singleInstanceLockPath(*folder)) : LockState::Unavailable;
  if (lock == LockState::HeldElsewhere) return handOff(*folder, argc, argv);

  // The first instance ignores its own command line: the playlist comes from its file.
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tembr"));
  QGuiApplication::setDesktopFileName(QStringLiteral("tembr"));
  // The window may be hidden in the tray while the last dialog closes; only closing the
  // window itself ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  TerminationSignals terminationSignals;

  TForm1 form(dataDirectory());
  QObject::connect(&form, &TForm1::closed, &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  QObject::connect(&terminationSignals, &TerminationSignals::received, &form, &QWidget::close);
  form.guarded([&] { form.FormCreate(); });
  form.show();

  HandOffServer handOffServer([&form](const QByteArray& path) {
    form.guarded([&] { form.HandOffReceived(path); });
    bringToFront(form);
  });
  if (folder) {
    // Without the lock another process may own the socket: leave it alone then.
    handOffServer.listen(handOffSocketPath(*folder), lock == LockState::Held ? HandOffServer::StaleSocket::Remove
                                                                              : HandOffServer::StaleSocket::Keep);
  }

  const int exitCode = QApplication::exec();
  form.guarded([&] { form.FormDestroy(); });
  return exitCode;
}
