#pragma once

// The main window and the player's controller. It owns the track, the two INI files, the
// playlist control and the timers; every handler runs on the GUI thread. The handlers are
// grouped by concern into several source files:
//   TForm1.cpp            construction, bindings, FormCreate, FormDestroy, autoplay
//   TForm1Playlist.cpp    adding, removing, loading and saving playlist entries, hand-off
//   TForm1Sequencing.cpp  transport buttons, list clicks, end of track and end of list
//   TForm1Tick.cpp        the playback tick and the two gauges
//   TForm1Settings.cpp    Config.ini
//   TForm1Effects.cpp     the sound controls: effect switches and sliders, the equaliser switch
//   TForm1Vis.cpp         the drawing surface, frame step and drawing dispatch
//   TForm1Modes.cpp       window menu, tray menu, tray icon, hide and restore
//   TForm1Keys.cpp        hidden key sequences

#include <QByteArrayList>
#include <QString>
#include <QStringList>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>

#include "vis/DrawingStandstill.h"

#include "ui/KeySequences.h"
#include "ui/WindowMenus.h"
#include "vis/SpectrumState.h"

class QTimer;
class Player;
class Playlist;
class IniFile;
class VisSurface;
class TrayIcon;
class MprisService;

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

  // Lifecycle (TForm1.cpp). FormDestroy runs at most once; the destructor runs it if the
  // owner did not.
  void FormCreate();
  void FormDestroy();
  // Takes away what reaches the window from outside its own event handlers: the tray icon
  // and every menu, and the media-player service with the desktop's media keys. Runs before
  // FormDestroy, whose error box would otherwise let them act on a window without a track.
  void CloseOutsideInputs();

  // The component tree, reached by the design names of its components.
  std::unique_ptr<Ui::TForm1> ui;
  QTimer* Timer1 = nullptr;
  QTimer* Timer2 = nullptr;
  QTimer* Timer3 = nullptr;
  QTimer* Timer4 = nullptr;

  std::unique_ptr<IniFile> PlaylistIni;
  std::unique_ptr<IniFile> ConfigIni;
  std::unique_ptr<VisSurface> Surface;
  std::unique_ptr<TrayIcon> CoolTrayIcon1;
  std::unique_ptr<MprisService> Mpris;

  QString dataDirectory() const { return dataDirectory_; }
  // The three pop-up menus and their named items.
  const WindowMenus& menus() const { return menus_; }
  // The spectrum, levels and colour that the tick fills and the drawings read.
  SpectrumState& spectrum() { return spectrum_; }
  // The entries and the selection that ListBox1 shows, and the player over them.
  Playlist& playlist() { return *playlist_; }
  Player& player() { return *player_; }

  // Sizes the window's client area to the bounding box of its visible children.
  void updateClientSize();

  // Runs `handler` the way the window runs every event handler: an error thrown inside ends
  // it where it happened and is shown in the modal error box.
  template <typename F>
  void guarded(F&& handler);

  // --- Handlers and routines, by the file that holds them. ---

  // TForm1.cpp
  void LocalizeInterface();
  void Timer4Timer();
  void Timer2Timer();
  void FormDeactivate();
  void FormMouseMove();

  // TForm1Playlist.cpp
  void BitBtn1Click();
  void BitBtn5Click();
  void ClearPlayList1Click();
  void deleteselectedfile1Click();
  void FilesDropped(const QStringList& paths);
  void LoadPlaylist();
  void SavePlaylist();
  // Appends the paths (bytes of local files) in order and plays the first of them; none
  // changes nothing.
  void HandOffReceived(const QByteArrayList& paths);
  // The paths of the first start's own command line: added and played like a hand-off, in
  // place of the autoplay of the first entry.
  void StartWithFiles(const QByteArrayList& paths);

  // TForm1Sequencing.cpp
  void ListBox1Click();
  void BitBtn2Click();
  void BitBtn3Click();
  void BitBtn4Click();
  void sBitBtn2Click();
  void sBitBtn3Click();

  // TForm1Tick.cpp
  void Timer1Timer();
  // Whether a tick would change nothing now, as the player and the drawings tell.
  bool NothingToTick();
  // Runs after every tick: a frame step that falls due within half a tick period runs now,
  // sharing the tick's wakeup, and its period starts again from here.
  void runDueFrameStepWithTick();
  void sGauge1MouseMove(Qt::MouseButtons buttons, int x, int y);
  void sGauge2MouseMove(Qt::MouseButtons buttons, int x, int y);

  // TForm1Settings.cpp
  void LoadSettings();
  void SaveSettings();

  // TForm1Effects.cpp
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

  // TForm1Vis.cpp
  void BindSurface(QWidget* panel);
  void ReleaseSurface();
  void sBitBtn1Click();
  void sBitBtn4Click();
  void Timer3Timer();
  void DrawSpectrum(int index);

  // TForm1Modes.cpp
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
  void CreateTrayIcon();
  void HideToTray();
  void RestoreFromTray();

  // TForm1Keys.cpp
  void FormKeyDown(int key, Qt::KeyboardModifiers shift);

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
  void bindEvents();
  void followSoundControls();

  void showCaptionInTitleBar();
  // The tick and the frame step rest (TForm1Tick.cpp) while a tick and a frame step would
  // change nothing; the next event of any kind, which is all that can give them something
  // to do, starts both again, so that they keep sharing their wakeups.
  void restWhileNothingChanges();
  void wakeFromRest();

  QString dataDirectory_;
  Playlist* playlist_ = nullptr;
  Player* player_ = nullptr;
  WindowMenus menus_;
  SpectrumState spectrum_;
  KeySequences keySequences_;
  bool destroyed_ = false;
  bool acceptsDrops_ = false;
  bool keyPreview_ = false;
  bool resting_ = false;
  DrawingStandstill standstill_;
  const QEvent* lastPreviewedKey_ = nullptr;
  QPointer<QWidget> lastPreviewedWidget_;
};

#include "app/ErrorBox.h"

template <typename F>
void TForm1::guarded(F&& handler) {
  runGuarded(this, std::forward<F>(handler));
}
