// The program's entry: the single-instance lock, the hand-off from a second start, and the
// main window's life from FormCreate to FormDestroy.

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/CommandLine.h"
#include "app/DataDirectory.h"
#include "app/HandOffSender.h"
#include "app/HandOffServer.h"
#include "app/RuntimeFolder.h"
#include "app/SingleInstance.h"
#include "app/TForm1.h"
#include "app/TerminationSignals.h"
#include "vis/FrameRenderer.h"

namespace {

CommandLine readOwnCommandLine(int argc, char** argv) {
  std::vector<std::string_view> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  return readCommandLine(arguments, currentWorkingDirectory());
}

// --help, --version and options not understood end the start at once, before the lock.
int answerWithoutStarting(const CommandLine& line) {
  switch (line.action) {
    case StartAction::ShowHelp:
      std::fputs(helpText().c_str(), stdout);
      return 0;
    case StartAction::ShowVersion:
      std::fputs(versionText().c_str(), stdout);
      return 0;
    case StartAction::Refuse:
      std::fputs(refusalText(line.refusedOption).c_str(), stderr);
      return kRefusedExitCode;
    case StartAction::Run:
      break;
  }
  return 0;
}

// A second start hands its path (or nothing) to the running player and ends without
// reading or writing any file. Whether anyone received it does not matter.
int handOff(const QString& folder, const CommandLine& line) {
  sendHandOff(handOffSocketPath(folder), line.path);
  return 0;
}

// The panel's picture changes twenty times a second. With shared-memory images the toolkit
// waits for a round trip to the X server before it paints again over pixels it has just
// handed over, which costs the player more than sending the few hundred kilobytes of a frame
// down the socket. Where the user's environment sets the variable, it stays as it is.
void chooseWindowSystemDefaults() { setenv("QT_XCB_NO_MITSHM", "1", 0); }

void bringToFront(TForm1& form) {
  if (form.isHidden() || form.isMinimized()) form.guarded([&] { form.RestoreFromTray(); });
  form.raise();
  form.activateWindow();
}

}  // namespace

int main(int argc, char** argv) {
  const CommandLine line = readOwnCommandLine(argc, argv);
  if (line.action != StartAction::Run) return answerWithoutStarting(line);

  const std::optional<QString> folder = runtimeFolder();
  const LockState lock = folder ? acquireSingleInstanceLock(singleInstanceLockPath(*folder)) : LockState::Unavailable;
  if (lock == LockState::HeldElsewhere) return handOff(*folder, line);

  FrameRenderer::chooseSoftwareRendererDefaults();
  chooseWindowSystemDefaults();
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

  // A path of our own goes after the saved playlist and plays, as if handed over.
  form.guarded([&] { form.StartWithFile(QByteArray::fromStdString(line.path)); });

  const int exitCode = QApplication::exec();
  // FormDestroy may show an error box, whose event loop must not let a hand-off, a media
  // key or a tray item reach the window once its track is gone.
  handOffServer.close();
  form.CloseOutsideInputs();
  form.guarded([&] { form.FormDestroy(); });
  return exitCode;
}
