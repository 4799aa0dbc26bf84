#pragma once

// The built player run the way a user's desktop runs it: a copy of the executable in a folder
// of its own (its PLIST.LST and Config.ini land beside it), or an installed executable run in
// place with its configuration folder in a temporary one; a private runtime folder, the real
// X server, and SDL's disk driver writing what would have reached the speakers to a file.
// Helpers read the window through xdotool, send the window manager's close request, take
// screenshots and analyse the captured audio.

#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QSize>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "playlist/PlaylistFile.h"
#include "settings/IniFile.h"
#include "tests/support/TestFiles.h"

namespace e2e {

using namespace std::chrono_literals;

// A generous bound for things that should happen at once; the tests never assert a duration.
inline constexpr std::chrono::milliseconds kBound = 30s;
inline constexpr int kRate = 44100;

// Polls `done` until it holds or `bound` passes.
template <typename Predicate>
bool waitFor(Predicate done, std::chrono::milliseconds bound = kBound) {
  const QDeadlineTimer deadline(bound);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(15);
  }
  return true;
}

inline QString run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(10000)) {
    process.kill();
    process.waitForFinished();
    return {};
  }
  return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// Where screenshots go: the test output folder, kept after the run.
inline QString shotFolder() {
  const QString base = qEnvironmentVariable("TEMBR_TEST_TMP", QDir::tempPath());
  const QString folder = base + QStringLiteral("/e2e-screens");
  QDir().mkpath(folder);
  return folder;
}

inline void screenshot(const QString& name) {
  const QString path = shotFolder() + QLatin1Char('/') + name + QStringLiteral(".png");
  run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
  std::printf("screenshot: %s\n", qPrintable(path));
}

// Asks the window to close the way a window manager's close button does: WM_DELETE_WINDOW.
// libxcb is loaded at run time, so the tests need no link dependency of their own.
inline bool requestClose(unsigned long window) {
  void* lib = ::dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (lib == nullptr) return false;
  auto connect = reinterpret_cast<decltype(&xcb_connect)>(::dlsym(lib, "xcb_connect"));
  auto disconnect = reinterpret_cast<decltype(&xcb_disconnect)>(::dlsym(lib, "xcb_disconnect"));
  auto intern = reinterpret_cast<decltype(&xcb_intern_atom)>(::dlsym(lib, "xcb_intern_atom"));
  auto internReply = reinterpret_cast<decltype(&xcb_intern_atom_reply)>(::dlsym(lib, "xcb_intern_atom_reply"));
  auto send = reinterpret_cast<decltype(&xcb_send_event)>(::dlsym(lib, "xcb_send_event"));
  auto flush = reinterpret_cast<decltype(&xcb_flush)>(::dlsym(lib, "xcb_flush"));
  auto focus = reinterpret_cast<decltype(&xcb_get_input_focus)>(::dlsym(lib, "xcb_get_input_focus"));
  auto focusReply = reinterpret_cast<decltype(&xcb_get_input_focus_reply)>(::dlsym(lib, "xcb_get_input_focus_reply"));
  if (!connect || !disconnect || !intern || !internReply || !send || !flush || !focus || !focusReply) return false;
  xcb_connection_t* connection = connect(nullptr, nullptr);
  auto atom = [&](const char* name) {
    xcb_intern_atom_reply_t* reply =
        internReply(connection, intern(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t value = reply != nullptr ? reply->atom : 0;
    std::free(reply);
    return value;
  };
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = static_cast<xcb_window_t>(window);
  event.type = atom("WM_PROTOCOLS");
  event.data.data32[0] = atom("WM_DELETE_WINDOW");
  event.data.data32[1] = XCB_CURRENT_TIME;
  send(connection, 0, static_cast<xcb_window_t>(window), XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
  flush(connection);
  // A round trip before hanging up: the X server may drop the requests of a client that
  // closes its connection before they were processed, and the close request is lost.
  std::free(focusReply(connection, focus(connection), nullptr));
  disconnect(connection);
  return event.type != 0;
}

struct Captured {
  std::vector<float> left;  // the left channel of the float stereo frames SDL wrote
};

// A stretch of sound in the capture, in frames.
struct Sound {
  size_t begin = 0;
  size_t end = 0;
  double seconds() const { return static_cast<double>(end - begin) / kRate; }
};

// Runs of sound (|sample| above `threshold`), joining runs less than 20 ms apart: a sine's
// own zero crossings are not gaps.
inline std::vector<Sound> sounds(const std::vector<float>& samples, float threshold = 0.02f) {
  std::vector<Sound> runs;
  const size_t join = kRate / 50;
  for (size_t i = 0; i < samples.size(); ++i) {
    if (std::fabs(samples[i]) < threshold) continue;
    if (!runs.empty() && i - runs.back().end <= join) {
      runs.back().end = i + 1;
    } else {
      runs.push_back(Sound{i, i + 1});
    }
  }
  return runs;
}

// Frequency of a sine from its rising zero crossings over [begin, end).
inline double pitch(const std::vector<float>& samples, size_t begin, size_t end) {
  size_t first = 0, last = 0, crossings = 0;
  for (size_t i = begin + 1; i < end; ++i) {
    if (samples[i - 1] < 0.0f && samples[i] >= 0.0f) {
      if (crossings == 0) first = i;
      last = i;
      ++crossings;
    }
  }
  if (crossings < 2) return 0.0;
  return static_cast<double>(crossings - 1) * kRate / static_cast<double>(last - first);
}

// Strength of `frequency` over [begin, end) (Goertzel), as an amplitude.
inline double strength(const std::vector<float>& samples, size_t begin, size_t end, double frequency) {
  const double w = 2.0 * M_PI * frequency / kRate;
  const double coefficient = 2.0 * std::cos(w);
  double s1 = 0.0, s2 = 0.0;
  for (size_t i = begin; i < end; ++i) {
    const double s0 = samples[i] + coefficient * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
  return 2.0 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(end - begin);
}

// Where a window is on the screen, as the X server has it.
inline QRect windowGeometry(unsigned long window) {
  QRect geometry;
  const QString shell = run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"),
                                                        QString::number(window)});
  for (const QString& line : shell.split(QLatin1Char('\n'))) {
    const int value = line.section(QLatin1Char('='), 1).toInt();
    if (line.startsWith(QLatin1String("X="))) geometry.moveLeft(value);
    if (line.startsWith(QLatin1String("Y="))) geometry.moveTop(value);
    if (line.startsWith(QLatin1String("WIDTH="))) geometry.setWidth(value);
    if (line.startsWith(QLatin1String("HEIGHT="))) geometry.setHeight(value);
  }
  return geometry;
}

inline QSize screenSize() {
  const QStringList size = run(QStringLiteral("xdotool"), {QStringLiteral("getdisplaygeometry")}).split(QLatin1Char(' '));
  return size.size() == 2 ? QSize(size[0].toInt(), size[1].toInt()) : QSize();
}

// The main window's client area in its compact layout, its smallest.
inline constexpr QSize kCompactSize{377, 153};

class Player {
 public:
  // A copy of the executable that the tests were built with.
  Player() {
    executable_ = folder_.file(QStringLiteral("tembr"));
    // A copy, not a link: the player resolves links to find its own folder.
    QFile::copy(QStringLiteral(TEMBR_BINARY), executable_);
    QFile::setPermissions(executable_, QFile::permissions(QStringLiteral(TEMBR_BINARY)));
  }
  // An installed copy (built with TEMBR_XDG_CONFIG) run where it is: XDG_CONFIG_HOME is
  // "config" in the temporary folder, so its files are in "config/tembr".
  explicit Player(const QString& installedExecutable)
      : executable_(installedExecutable), dataFolder_(QStringLiteral("config/tembr/")) {
    QDir().mkpath(folder_.file(dataFolder_));
  }
  ~Player() {
    if (process_ && process_->state() != QProcess::NotRunning) {
      process_->kill();
      process_->waitForFinished();
    }
  }

  const TempFolder& folder() const { return folder_; }
  // A file in the folder where the player keeps PLIST.LST and Config.ini.
  QString file(const QString& name) const { return folder_.file(dataFolder_ + name); }
  QString capturePath() const { return folder_.file(QStringLiteral("capture.raw")); }

  void savePlaylist(const QStringList& entries) {
    IniFile ini(file(QStringLiteral("PLIST.LST")));
    PlaylistFile(ini).save(entries, QStringLiteral("0:00:00"));
  }
  QStringList savedPlaylist() const {
    IniFile ini(file(QStringLiteral("PLIST.LST")));
    return PlaylistFile(ini).load();
  }
  // Config.ini with full volume and the given extra lines of section "EQSet" / "EQLayzer".
  void saveConfig(const QString& eqSet, const QString& eqLayzer = {}) {
    folder_.write(dataFolder_ + QStringLiteral("Config.ini"),
                  (QStringLiteral("[Volume]\nsgauge2.Progress=10\n[Balans]\nstrackbar1.position=0\n[EQSet]\n") + eqSet +
                   QStringLiteral("\n[EQLayzer]\nsRadioGroup1.ItemIndex=0\n") + eqLayzer + QStringLiteral("\n"))
                      .toUtf8());
  }

  void start(const QString& audioDriver = QStringLiteral("disk"), const QStringList& arguments = {}) {
    process_ = std::make_unique<QProcess>();
    process_->setProcessEnvironment(environment(audioDriver));
    process_->setWorkingDirectory(folder_.path());
    process_->setProcessChannelMode(QProcess::ForwardedChannels);
    process_->start(executable_, arguments);
    process_->waitForStarted();
  }
  // Another start of the same installation, with its own arguments, left running.
  std::unique_ptr<QProcess> startAnother(const QStringList& arguments) const {
    auto another = std::make_unique<QProcess>();
    another->setProcessEnvironment(environment(QStringLiteral("dummy")));
    another->setWorkingDirectory(folder_.path());
    another->setProcessChannelMode(QProcess::ForwardedChannels);
    another->start(executable_, arguments);
    another->waitForStarted();
    return another;
  }
  // A second start of the same installation, with its own arguments; returns its exit code
  // or -1 if it did not end.
  int startSecond(const QStringList& arguments) {
    const std::unique_ptr<QProcess> second = startAnother(arguments);
    if (!second->waitForFinished(static_cast<int>(kBound.count()))) {
      second->kill();
      second->waitForFinished();
      return -1;
    }
    return second->exitStatus() == QProcess::NormalExit ? second->exitCode() : -1;
  }

  QProcess& process() { return *process_; }
  bool running() const { return process_ && process_->state() == QProcess::Running; }
  // Waits for the process to end by itself; true when it ended with code 0.
  bool endsCleanly() {
    if (!process_->waitForFinished(static_cast<int>(kBound.count()))) return false;
    return process_->exitStatus() == QProcess::NormalExit && process_->exitCode() == 0;
  }

  // The player's visible windows: the main window, and any box, hint or tray icon it shows.
  std::vector<unsigned long> visibleWindows() const {
    const QString found = run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                          QStringLiteral("--pid"), QString::number(process_->processId())});
    std::vector<unsigned long> windows;
    for (const QString& line : found.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) windows.push_back(line.toULong());
    return windows;
  }

  // The main window, once it is mapped: the largest of the player's windows, and never
  // smaller than the compact layout. A tray icon, a balloon hint or a box is smaller.
  unsigned long window() {
    if (window_ != 0) return window_;
    waitFor([this] {
      long largest = 0;
      for (const unsigned long candidate : visibleWindows()) {
        const QSize size = windowGeometry(candidate).size();
        const long area = static_cast<long>(size.width()) * size.height();
        if (size.width() >= kCompactSize.width() && size.height() >= kCompactSize.height() && area > largest) {
          largest = area;
          window_ = candidate;
        }
      }
      return window_ != 0 || !running();
    });
    return window_;
  }
  QString title() { return titleOf(window()); }
  static QString titleOf(unsigned long window) {
    return run(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), QString::number(window)});
  }
  // Clicks at a point of the window's client area.
  void click(int x, int y) {
    run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("--window"), QString::number(window()),
                                    QString::number(x), QString::number(y), QStringLiteral("click"), QStringLiteral("1")});
  }

  // Waits until the caption reads `expected`, while the player runs; a failure tells what
  // the caption read last.
  testing::AssertionResult waitForTitle(const QString& expected) {
    QString seen;
    const bool shown = waitFor([&] {
      if (!running()) return true;
      seen = title();
      return seen == expected;
    }) && running();
    if (shown) return testing::AssertionSuccess();
    if (!running()) return testing::AssertionFailure() << "the player ended";
    return testing::AssertionFailure() << "the caption read \"" << seen.toStdString() << '"';
  }

  Captured capture() const {
    Captured result;
    QFile raw(capturePath());
    if (!raw.open(QIODevice::ReadOnly)) return result;
    const QByteArray bytes = raw.readAll();
    const auto* frames = reinterpret_cast<const float*>(bytes.constData());
    const size_t count = static_cast<size_t>(bytes.size()) / (2 * sizeof(float));
    result.left.resize(count);
    for (size_t i = 0; i < count; ++i) result.left[i] = frames[2 * i];
    return result;
  }

 private:
  QProcessEnvironment environment(const QString& audioDriver) const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("SDL_AUDIODRIVER"), audioDriver);
    environment.insert(QStringLiteral("SDL_DISKAUDIOFILE"), capturePath());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
    if (!dataFolder_.isEmpty()) environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder_.file(QStringLiteral("config")));
    return environment;
  }

  TempFolder folder_;
  // Kept short: a socket path has a small length limit.
  QTemporaryDir runtime_{QDir::tempPath() + QStringLiteral("/tembr-e2e-XXXXXX")};
  QString executable_;
  // Relative to folder_, ending in a slash; empty when the files are beside the executable.
  QString dataFolder_;
  std::unique_ptr<QProcess> process_;
  unsigned long window_ = 0;
};

}  // namespace e2e
