// Putting the window together: the form and its models, the timers, the menus, the skin, the
// tray icon and the media service, the binding of every event to its handler, and the
// window's life from FormCreate to FormDestroy. The handlers are in TForm1Handlers.cpp.

#include "app/TForm1.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <array>

#include "app/MediaHooks.h"
#include "playlist/Player.h"
#include "playlist/Playlist.h"
#include "playlist/Random.h"
#include "settings/ByteText.h"
#include "settings/IniFile.h"
#include "skin/HintManager.h"
#include "skin/SkinManager.h"
#include "ui/InterfaceTexts.h"
#include "ui/LetterKey.h"
#include "ui/MprisService.h"
#include "ui/TrayIcon.h"
#include "ui_TForm1.h"
#include "vis/Visualisation.h"

namespace {
constexpr int kAutoplayDelayMs = 50;
constexpr int kUnusedTimerIntervalMs = 5000;
// Events through which the user, the desktop's media keys or another start of the player can
// change what the playback tick reads: controls, commands, files handed over.
bool bringsInput(const QEvent& event) {
  switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Drop:
    case QEvent::SockAct:
    case QEvent::MetaCall:
      return true;
    case QEvent::MouseMove:
      return static_cast<const QMouseEvent&>(event).buttons() != Qt::NoButton;
    default:
      return false;
  }
}
// Where the window's client area first appears on the screen.
constexpr int kClientLeft = 213;
constexpr int kClientTop = 138;
}  // namespace

TForm1::TForm1(const QString& dataDirectory, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TForm1>()), dataDirectory_(dataDirectory) {
  ui->setupUi(this);
  setWindowTitle(QString());
  // The form compiler drops captions made only of blanks; these check boxes carry them.
  for (TsCheckBox* box : {ui->sCheckBox1, ui->sCheckBox2, ui->sCheckBox4, ui->sCheckBox7}) {
    box->setText(QStringLiteral(" "));
  }
  ui->sCheckBox3->setText(QStringLiteral("  "));

  playlist_ = new Playlist(this);
  playlist_->setObjectName(QStringLiteral("Playlist"));
  ui->ListBox1->setModel(playlist_);
  ui->ListBox1->setSelectionModel(playlist_->selectionModel());
  player_ = new Player(*playlist_, this);
  player_->setObjectName(QStringLiteral("Player"));
  // A drawing pass reads the controls as they are when it runs.
  visualisation_ = new Visualisation(
      &RandomBelow,
      [this] {
        return WindowReadings{ui->Panel1->height(), static_cast<double>(ui->sGauge1->Progress()),
                              ui->RadioGroup1->ItemIndex()};
      },
      this);
  visualisation_->setObjectName(QStringLiteral("Visualisation"));

  createTimers();
  menus_ = WindowMenus::build(this);
  TsSkinManager::install(this);
  new TsHintManager(this);
  followControls();
  bindEvents();
  CreateTrayIcon();
  updateClientSize();
  setGeometry(kClientLeft, kClientTop, width(), height());
}

TForm1::~TForm1() {
  if (destroyed_) return;
  CloseOutsideInputs();
  guarded([this] { FormDestroy(); });
}

void TForm1::createTimers() {
  const auto timer = [this](const char* name, int interval) {
    auto* made = new QTimer(this);
    made->setObjectName(QString::fromLatin1(name));
    made->setInterval(interval);
    return made;
  };
  // The playback tick asks for 1 ms; the level decay rates of the drawings assume the coarser
  // timer period of the desktop the player was first made for, which TickSchedule keeps as the
  // interval of its passes. Timer1 wakes the tick when its next frame step is due, or its next
  // pass, and is set again at every wakeup.
  const int frameInterval = static_cast<int>(TickSchedule::kFrameInterval.count());
  Timer1 = timer("Timer1", frameInterval);
  Timer2 = timer("Timer2", kUnusedTimerIntervalMs);
  Timer3 = timer("Timer3", frameInterval);
  Timer4 = timer("Timer4", kAutoplayDelayMs);
  // Precise timers wake the tick when its passes fall due, where coarse ones could wake it a
  // little before them, for nothing, or a little after.
  Timer1->setTimerType(Qt::PreciseTimer);
  Timer3->setTimerType(Qt::PreciseTimer);
}

// The controls without a handler hand their values to the player as they change, from their
// design values on: the volume and the balance, the compressor's and the reverb's sliders,
// the ten bands and the three end-of-list rules. The player's volume, which the media service
// may set, shows on the volume bar.
void TForm1::followControls() {
  const auto follow = [this](QAbstractSlider* slider, auto set) {
    (player_->*set)(slider->value());
    connect(slider, &QAbstractSlider::valueChanged, player_, set);
  };
  player_->setVolume(ui->sGauge2->Progress());
  connect(ui->sGauge2, &TsGauge::progressChanged, player_, &Player::setVolume);
  connect(player_, &Player::volumeChanged, ui->sGauge2, &TsGauge::setProgress);
  follow(ui->sTrackBar1, &Player::setBalance);
  follow(ui->sTrackBar2, &Player::setCompressorGain);
  follow(ui->sTrackBar3, &Player::setReverbMix);
  const std::array<QSlider*, SoundControls::kBandCount> bands = {
      ui->sTrackBar10, ui->sTrackBar11, ui->sTrackBar12, ui->sTrackBar13, ui->sTrackBar14,
      ui->sTrackBar15, ui->sTrackBar16, ui->sTrackBar17, ui->sTrackBar18, ui->sTrackBar19};
  for (size_t band = 0; band < bands.size(); ++band) {
    player_->setBand(band, bands[band]->value());
    connect(bands[band], &QAbstractSlider::valueChanged, player_,
            [player = player_, band](int position) { player->setBand(band, position); });
  }
  const std::array<QSlider*, SoundControls::kFlangerValueCount> flanger = {
      ui->sTrackBar5, ui->sTrackBar6, ui->sTrackBar7, ui->sTrackBar8, ui->sTrackBar9};
  for (size_t value = 0; value < flanger.size(); ++value) player_->setFlanger(value, flanger[value]->value());

  for (QCheckBox* rule : std::array<QCheckBox*, 3>{ui->sCheckBox5, ui->CheckBox1, ui->sCheckBox6}) {
    connect(rule, &QAbstractButton::toggled, this, [this] {
      guarded([this] {
        player_->setEndOfListRules(
            {ui->sCheckBox5->isChecked(), ui->CheckBox1->isChecked(), ui->sCheckBox6->isChecked()});
      });
    });
  }
}

void TForm1::bindEvents() {
  bindTimersAndButtons();
  bindControlsAndMenus();
  connect(player_, &Player::captionChanged, this, &QWidget::setWindowTitle);
  // The exit rule closes the window; the message loop ends once the tick is over.
  connect(player_, &Player::exitRequested, this, &QWidget::close);
  connect(player_, &Player::waitingForFile, this, &TForm1::tickAtNextPass);
  // Right clicks on the transport panel (and everything on it) and on the playlist open
  // their context menus; key presses anywhere in the window reach FormKeyDown first.
  qApp->installEventFilter(this);
}

namespace {

// Binds `signal` of `sender` to the window's `handler`, run as every handler is run.
template <typename Sender, typename Signal>
void bindHandler(TForm1* form, Sender* sender, Signal signal, void (TForm1::*handler)()) {
  QObject::connect(sender, signal, form, [form, handler] { form->guarded([form, handler] { (form->*handler)(); }); });
}

}  // namespace

void TForm1::bindTimersAndButtons() {
  const auto on = [this](auto* sender, auto signal, void (TForm1::*handler)()) {
    bindHandler(this, sender, signal, handler);
  };
  on(Timer1, &QTimer::timeout, &TForm1::Timer1Wakeup);
  on(Timer2, &QTimer::timeout, &TForm1::Timer2Timer);
  on(Timer3, &QTimer::timeout, &TForm1::frameTimerRanOut);
  on(Timer4, &QTimer::timeout, &TForm1::Timer4Timer);

  on(ui->BitBtn1, &QAbstractButton::clicked, &TForm1::BitBtn1Click);
  on(ui->BitBtn2, &QAbstractButton::clicked, &TForm1::BitBtn2Click);
  on(ui->BitBtn3, &QAbstractButton::clicked, &TForm1::BitBtn3Click);
  on(ui->BitBtn4, &QAbstractButton::clicked, &TForm1::BitBtn4Click);
  on(ui->BitBtn5, &QAbstractButton::clicked, &TForm1::BitBtn5Click);
  on(ui->sBitBtn1, &QAbstractButton::clicked, &TForm1::sBitBtn1Click);
  on(ui->sBitBtn2, &QAbstractButton::clicked, &TForm1::sBitBtn2Click);
  on(ui->sBitBtn3, &QAbstractButton::clicked, &TForm1::sBitBtn3Click);
  on(ui->sBitBtn4, &QAbstractButton::clicked, &TForm1::sBitBtn4Click);
  on(ui->ListBox1, &QAbstractItemView::clicked, &TForm1::ListBox1Click);

  connect(ui->sGauge1, &TsGauge::MouseMove, this, [this](Qt::MouseButtons buttons, int x, int y) {
    guarded([&] { sGauge1MouseMove(buttons, x, y); });
  });
  connect(ui->sGauge2, &TsGauge::MouseMove, this, [this](Qt::MouseButtons buttons, int x, int y) {
    guarded([&] { sGauge2MouseMove(buttons, x, y); });
  });
}

void TForm1::bindControlsAndMenus() {
  const auto on = [this](auto* sender, auto signal, void (TForm1::*handler)()) {
    bindHandler(this, sender, signal, handler);
  };
  // A check box's click handler also runs when its state is changed by the program.
  on(ui->sCheckBox1, &QAbstractButton::toggled, &TForm1::sCheckBox1Click);
  on(ui->sCheckBox2, &QAbstractButton::toggled, &TForm1::sCheckBox2Click);
  on(ui->sCheckBox3, &QAbstractButton::toggled, &TForm1::sCheckBox3Click);
  on(ui->sCheckBox4, &QAbstractButton::toggled, &TForm1::sCheckBox4Click);
  on(ui->sCheckBox7, &QAbstractButton::toggled, &TForm1::sCheckBox7Click);
  on(ui->sCheckBox9, &QAbstractButton::toggled, &TForm1::sCheckBox9Click);
  on(ui->sCheckBox8, &QAbstractButton::toggled, &TForm1::sCheckBox8Click);
  on(ui->sTrackBar5, &QAbstractSlider::valueChanged, &TForm1::sTrackBar5Change);
  on(ui->sTrackBar6, &QAbstractSlider::valueChanged, &TForm1::sTrackBar6Change);
  on(ui->sTrackBar7, &QAbstractSlider::valueChanged, &TForm1::sTrackBar7Change);
  on(ui->sTrackBar8, &QAbstractSlider::valueChanged, &TForm1::sTrackBar8Change);
  on(ui->sTrackBar9, &QAbstractSlider::valueChanged, &TForm1::sTrackBar9Change);

  on(menus_.ClearPlayList1, &QAction::triggered, &TForm1::ClearPlayList1Click);
  on(menus_.deleteselectedfile1, &QAction::triggered, &TForm1::deleteselectedfile1Click);
  on(menus_.seting1, &QAction::triggered, &TForm1::seting1Click);
  on(menus_.OpenFiles1, &QAction::triggered, &TForm1::OpenFiles1Click);
  on(menus_.SettingEQ1, &QAction::triggered, &TForm1::SettingEQ1Click);
  on(menus_.svernut1, &QAction::triggered, &TForm1::svernut1Click);
  on(menus_.rashirit1, &QAction::triggered, &TForm1::rashirit1Click);
  on(menus_.Grafik1, &QAction::triggered, &TForm1::Grafik1Click);
  on(menus_.maximaze1, &QAction::triggered, &TForm1::maximaze1Click);
  on(menus_.play1, &QAction::triggered, &TForm1::play1Click);
  on(menus_.pause1, &QAction::triggered, &TForm1::pause1Click);
  on(menus_.stop1, &QAction::triggered, &TForm1::stop1Click);
  on(menus_.N1, &QAction::triggered, &TForm1::N1Click);
  on(menus_.N2, &QAction::triggered, &TForm1::N2Click);
}

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

void TForm1::FormCreate() {
  // The colour of the bars comes from the generator's first three draws, before the reseed.
  visualisation_->spectrum().DrawStemColour();
  keyPreview_ = true;
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  visualisation_->BindSurface(ui->Panel1);
  player_->createTrack();
  Reseed();
  setAcceptDrops(true);
  acceptsDrops_ = true;
  const QDir folder(dataDirectory_);
  PlaylistIni = std::make_unique<IniFile>(folder.filePath(QStringLiteral("PLIST.LST")));
  ConfigIni = std::make_unique<IniFile>(folder.filePath(QStringLiteral("Config.ini")));
  player_->LoadPlaylist(*PlaylistIni);
  LoadSettings();
  LocalizeInterface(*ui, menus_);

  const TickSchedule::Clock::time_point now = TickSchedule::Clock::now();
  tickSchedule_.start(now);
  armTick(now);
  Timer3->start();
  Timer4->start();
}

// The playlist and the settings are saved before the track goes: freeing it waits for the
// engine's threads, which a file that never answers can hold up. The track falls silent
// first, without waiting for anything, as if it had gone; a failing save ends the shutdown
// there, and the track then goes with the window.
void TForm1::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  resting_ = false;
  Timer1->stop();
  Timer3->stop();
  Timer4->stop();
  visualisation_->ReleaseSurface();
  player_->silenceTrack();
  setAcceptDrops(false);
  acceptsDrops_ = false;
  if (PlaylistIni) {
    playlist_->SavePlaylist(*PlaylistIni);
    PlaylistIni.reset();
  }
  SaveSettings();
  player_->freeTrack();
}

// --- Events that reach the window itself ------------------------------------------------

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (resting_) wakeFromRest();
  if (bringsInput(*event)) tickAtNextPass();
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != this) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress && keyPreview_) {
    auto* key = static_cast<QKeyEvent*>(event);
    // A key press that its receiver ignores travels on to the receiver's parents; the window
    // sees it once, where it was first delivered.
    const bool travelling = key == lastPreviewedKey_ && lastPreviewedWidget_ != nullptr &&
                            widget != lastPreviewedWidget_ && widget->isAncestorOf(lastPreviewedWidget_);
    if (travelling) return false;
    lastPreviewedKey_ = key;
    lastPreviewedWidget_ = widget;
    const int code = sequenceKeyCode(key->key(), key->nativeScanCode());
    const Qt::KeyboardModifiers modifiers = key->modifiers();
    guarded([&] { FormKeyDown(code, modifiers); });
    return false;
  }
  if (event->type() == QEvent::ContextMenu) {
    auto* menuEvent = static_cast<QContextMenuEvent*>(event);
    if (widget == ui->ListBox1 || ui->ListBox1->isAncestorOf(widget)) {
      menus_.PopupForPlayList->popup(menuEvent->globalPos());
      return true;
    }
    if (widget == ui->sPanel1 || ui->sPanel1->isAncestorOf(widget)) {
      menus_.PopupMenu1->popup(menuEvent->globalPos());
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// The platform puts the application's name into a title bar whose caption is empty; the
// window shows its caption as it is, so an empty one is given as a blank.
void TForm1::showCaptionInTitleBar() {
  QWindow* window = windowHandle();
  if (window == nullptr || !windowTitle().isEmpty()) return;
  window->setTitle(QStringLiteral(" "));
}

void TForm1::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowTitleChange) showCaptionInTitleBar();
  QWidget::changeEvent(event);
}

void TForm1::showEvent(QShowEvent* event) {
  showCaptionInTitleBar();
  QWidget::showEvent(event);
}

void TForm1::closeEvent(QCloseEvent* event) {
  event->accept();
  emit closed();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (acceptsDrops_ && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  if (!acceptsDrops_) return;
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    // A name that is not UTF-8 keeps its bytes, so that the entry opens the file.
    if (url.isLocalFile()) paths << textFromLocalFileUrl(url);
  }
  event->acceptProposedAction();
  guarded([&] { FilesDropped(paths); });
}
