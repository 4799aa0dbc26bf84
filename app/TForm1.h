#pragma once

// The main window, a view over the player. It puts together the form, the timers, the menus,
// the skin, the tray icon and the media service, binds every component's event to a handler
// named after the component, and each handler hands the event to the model below (the
// playlist, the player, the visualisation) and shows what comes back. It holds the two INI
// files and the window's own state (key preview, drops, rest). GUI thread only.
//
// Two source files: TForm1.cpp puts the window together and binds the events (construction,
// FormCreate, FormDestroy); TForm1Handlers.cpp holds the handlers and the routines they share.
// Calls run one way, from the first file to the second. Tests reach the components by their
// object names: the form's, the timers', the menus', and "Playlist", "Player" and
// "Visualisation".

#include <QByteArrayList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <optional>

#include "playlist/TickSchedule.h"
#include "ui/KeySequences.h"
#include "ui/WindowMenus.h"

class IniFile;
class MprisService;
class Player;
class Playlist;
class QTimer;
class TrayIcon;
class Visualisation;

namespace Ui {
class TForm1;
}

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  // Builds the component tree and binds every event; FormCreate is not run yet.
  // `dataDirectory` is the folder that holds PLIST.LST and Config.ini.
  explicit TForm1(const QString& dataDirectory, QWidget* parent = nullptr);
  ~TForm1() override;

  // FormDestroy runs at most once; the destructor runs it if the owner did not.
  void FormCreate();
  void FormDestroy();
  // Takes away what reaches the window from outside its own event handlers: the tray icon
  // and every menu, and the media-player service with the desktop's media keys. Runs before
  // FormDestroy, whose error box would otherwise let them act on a window without a track.
  void CloseOutsideInputs();

  // Appends the paths (bytes of local files) in order, plays the first of them and brings
  // the window to the front; none changes nothing.
  void HandOffReceived(const QByteArrayList& paths);
  // The paths of the first start's own command line: added and played like a hand-off, in
  // place of the autoplay of the first entry.
  void StartWithFiles(const QByteArrayList& paths);
  // Shows the window in the layout it had, restored if minimised, and brings it to the front.
  void RestoreFromTray();

  // Runs `handler` the way the window runs every event handler: an error thrown inside ends
  // it where it happened and is shown in the modal error box.
  template <typename F>
  void guarded(F&& handler);

 signals:
  // Emitted when the window has been closed and the event loop should end.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // --- TForm1.cpp: putting the window together. ---
  void createTimers();
  void followControls();
  void bindEvents();
  void bindTimersAndButtons();
  void bindControlsAndMenus();
  void CreateTrayIcon();
  void showCaptionInTitleBar();

  // --- TForm1Handlers.cpp: the handlers, by component. ---
  // One pass of the playback tick, reading as of `asOf` when it is given (Player::tick).
  void Timer1Timer(std::optional<TickSchedule::Clock::time_point> asOf = std::nullopt);
  void Timer2Timer();
  void Timer3Timer();
  void Timer4Timer();
  void FormDeactivate();
  void FormMouseMove();
  void FormKeyDown(int key, Qt::KeyboardModifiers shift);
  void FilesDropped(const QStringList& paths);

  void ListBox1Click();
  void BitBtn1Click();
  void BitBtn2Click();
  void BitBtn3Click();
  void BitBtn4Click();
  void BitBtn5Click();
  void sBitBtn1Click();
  void sBitBtn2Click();
  void sBitBtn3Click();
  void sBitBtn4Click();
  void sGauge1MouseMove(Qt::MouseButtons buttons, int x, int y);
  void sGauge2MouseMove(Qt::MouseButtons buttons, int x, int y);

  void sCheckBox1Click();
  void sCheckBox2Click();
  void sCheckBox3Click();
  void sCheckBox4Click();
  void sCheckBox7Click();
  void sCheckBox9Click();
  void sTrackBar5Change();
  void sTrackBar6Change();
  void sTrackBar7Change();
  void sTrackBar8Change();
  void sTrackBar9Change();
  void sCheckBox8Click();

  void ClearPlayList1Click();
  void deleteselectedfile1Click();
  void seting1Click();
  void OpenFiles1Click();
  void SettingEQ1Click();
  void svernut1Click();
  void rashirit1Click();
  void Grafik1Click();
  void maximaze1Click();
  void play1Click();
  void pause1Click();
  void stop1Click();
  void N1Click();
  void N2Click();

  // The routines that the handlers, FormCreate and FormDestroy share.
  void LoadSettings();
  void SaveSettings();
  void HideToTray();
  void showPages(int page);
  void updateClientSize();
  // The tick and the frame step rest while a tick and a frame step would change nothing; the
  // next event of any kind, which is all that can give them something to do, starts both
  // again, with the tick's passes counted afresh.
  void restWhileNothingChanges();
  void wakeFromRest();
  // Timer1 wakes the tick once a frame, or for its next pass while the player has to act at
  // once (Player::tickActsAtOnce), and is set again at every wakeup; Timer3, begun again with
  // every frame step, runs out only when the frame step did not come with the tick's passes.
  void Timer1Wakeup();
  void frameTimerRanOut();
  // The passes of a wakeup at `now` (TickSchedule), each as of the moment it fell due, with
  // the frame step after every fifth while the frame timer runs.
  void runDuePasses(TickSchedule::Clock::time_point now);
  // Starts Timer1 for the tick's next wakeup: the next frame step, or the next pass while the
  // player has to act at once.
  void armTick(TickSchedule::Clock::time_point now);
  // Something may have given the tick a change to act on, which it would have acted on
  // within a pass when it woke for each: an input event (the sound controls, say, which only
  // the tick gives the track), or a start that now waits for its file. The tick wakes for
  // its next pass rather than with the next frame step.
  void tickAtNextPass();

  std::unique_ptr<Ui::TForm1> ui;
  QTimer* Timer1 = nullptr;
  QTimer* Timer2 = nullptr;
  QTimer* Timer3 = nullptr;
  QTimer* Timer4 = nullptr;
  WindowMenus menus_;
  Playlist* playlist_ = nullptr;
  Player* player_ = nullptr;
  Visualisation* visualisation_ = nullptr;
  KeySequences keySequences_;
  TickSchedule tickSchedule_;

  QString dataDirectory_;
  std::unique_ptr<IniFile> PlaylistIni;
  std::unique_ptr<IniFile> ConfigIni;
  std::unique_ptr<TrayIcon> CoolTrayIcon1;
  std::unique_ptr<MprisService> Mpris;

  bool destroyed_ = false;
  bool acceptsDrops_ = false;
  bool keyPreview_ = false;
  bool resting_ = false;
  const QEvent* lastPreviewedKey_ = nullptr;
  QPointer<QWidget> lastPreviewedWidget_;
};

#include "app/ErrorBox.h"

template <typename F>
void TForm1::guarded(F&& handler) {
  runGuarded(this, std::forward<F>(handler));
}
