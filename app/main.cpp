// The program's entry: the command line, the single-instance lock, the hand-off from a second
// start, and the main window's life from FormCreate to FormDestroy.

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
#include "app/StartPaths.h"
#include "app/TForm1.h"
#include "app/TerminationSignals.h"
#include "audio/engine/Engine.h"
#include "vis/FrameRenderer.h"

namespace {

// The exit status when a start could not hand its paths over, or when the files could not
// be saved at a shutdown that nobody watched.
constexpr int kFailedExitCode = 1;

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

void reportProblems(const StartPaths& start) {
  for (const std::string& line : start.problems) std::fputs(line.c_str(), stderr);
}

// A start that finds the lock held hands its paths to the running player and ends without
// reading or writing any file of the player's; it runs the player itself when that one ends
// meanwhile. Nothing when this process is to run the player, else the exit status.
std::optional<int> handOff(const QString& folder, const StartPaths& start) {
  switch (handOffOrTakeOver(handOffSocketPath(folder), singleInstanceLockPath(folder), start.entries)) {
    case SecondStart::HandedOver:
      return 0;
    case SecondStart::TookTheLock:
      return std::nullopt;
    case SecondStart::TooLong:
      std::fputs("tembr: too many files to hand over to the running player\n", stderr);
      return kFailedExitCode;
    case SecondStart::GaveUp:
      break;
  }
  std::fputs("tembr: the running player did not answer; nothing was handed over\n", stderr);
  return kFailedExitCode;
}

QByteArrayList byteArrays(const std::vector<std::string>& paths) {
  QByteArrayList list;
  for (const std::string& path : paths) list.append(QByteArray::fromStdString(path));
  return list;
}

// Embedded cover pictures are written once each to $XDG_CACHE_HOME/tembr (~/.cache/tembr
// when that is unset or relative), for the desktop's media controls to show.
std::string coverFolder() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache != nullptr && cache[0] == '/') return std::string(cache) + "/tembr";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.cache/tembr";
  return {};
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

// The shutdown steps. After a request to end from outside (a logout) nobody may be at the
// screen to answer a box, which would hold the process and the session's end: a failed save
// is reported on standard error then, and the exit status says so.
int destroyForm(TForm1& form, bool endedFromOutside) {
  if (!endedFromOutside) {
    form.guarded([&] { form.FormDestroy(); });
    return 0;
  }
  try {
    form.FormDestroy();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tembr: %s\n", errorBoxText(QString::fromUtf8(error.what())).toLocal8Bit().constData());
    return kFailedExitCode;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const CommandLine line = readOwnCommandLine(argc, argv);
  if (line.action != StartAction::Run) return answerWithoutStarting(line);
  const StartPaths start = expandStartPaths(line.paths);
  reportProblems(start);
  if (!line.paths.empty() && start.entries.empty()) return kNothingToAddExitCode;

  const std::optional<QString> folder = runtimeFolder();
  LockState lock = folder ? acquireSingleInstanceLock(singleInstanceLockPath(*folder)) : LockState::Unavailable;
  if (lock == LockState::HeldElsewhere) {
    if (const std::optional<int> exitCode = handOff(*folder, start)) return *exitCode;
    lock = LockState::Held;
  }

  FrameRenderer::chooseSoftwareRendererDefaults();
  chooseWindowSystemDefaults();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tembr"));
  QGuiApplication::setDesktopFileName(QStringLiteral("tembr"));
  // The window may be hidden in the tray while the last dialog closes; only closing the
  // window itself ends the program.
  QApplication::setQuitOnLastWindowClosed(false);

  // A request to end that comes once another start can find this player (a logout just after
  // a start) closes the window the normal way, however early it comes: it waits in the pipe
  // until the event loop runs.
  TerminationSignals terminationSignals;
  // Listening starts before the window is built, so that a second start made meanwhile
  // finds the player; what it hands over waits until the list is loaded.
  HandOffServer handOffServer;
  if (folder) {
    // Without the lock another process may own the socket: leave it alone then.
    handOffServer.listen(handOffSocketPath(*folder), lock == LockState::Held ? HandOffServer::StaleSocket::Remove
                                                                              : HandOffServer::StaleSocket::Keep);
  }
  audio::Engine::setCoverFolder(coverFolder());

  TForm1 form(dataDirectory());
  bool endedFromOutside = false;
  QObject::connect(&form, &TForm1::closed, &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  QObject::connect(&terminationSignals, &TerminationSignals::received, &form, [&] {
    endedFromOutside = true;
    form.close();
  });
  form.guarded([&] { form.FormCreate(); });
  form.show();

  // The paths of our own command line go after the saved playlist and the first plays, as
  // if handed over; then those handed over meanwhile.
  form.guarded([&] { form.StartWithFiles(byteArrays(start.entries)); });
  handOffServer.deliverTo([&form](const QByteArrayList& paths) {
    form.guarded([&] { form.HandOffReceived(paths); });
    bringToFront(form);
  });

  const int exitCode = QApplication::exec();
  // FormDestroy may show an error box, whose event loop must not let a hand-off, a media
  // key or a tray item reach the window once its track is gone.
  handOffServer.close();
  form.CloseOutsideInputs();
  const int destroyed = destroyForm(form, endedFromOutside);
  return exitCode != 0 ? exitCode : destroyed;
}
