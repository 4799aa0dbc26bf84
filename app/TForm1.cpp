#include "app/TForm1.h"

#include <QAbstractItemModel>
#include <QListView>
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
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <array>

#include "playlist/Player.h"
#include "playlist/Playlist.h"
#include "playlist/Random.h"
#include "settings/ByteText.h"
#include "settings/IniFile.h"
#include "skin/HintManager.h"
#include "skin/SkinManager.h"
#include "ui/InterfaceTexts.h"
#include "ui/LetterKey.h"
#include "ui/TrayIcon.h"
#include "ui/MprisService.h"
#include "ui_TForm1.h"
#include "vis/VisSurface.h"

namespace {
// The playback tick asks for 1 ms; the level decay rates of the drawings assume the
// coarser timer period of the desktop the player was first made for, so the tick runs at
// that period.
constexpr int kTickIntervalMs = 10;
constexpr int kFrameIntervalMs = 50;
constexpr int kAutoplayDelayMs = 50;
constexpr int kUnusedTimerIntervalMs = 5000;
// Where the window's client area first appears on the screen.
constexpr int kClientLeft = 213;
constexpr int kClientTop = 138;
}  // namespace

TForm1::TForm1(const QString& dataDirectory, QWidget* parent)
    : QWidget(parent),
      ui(std::make_unique<Ui::TForm1>()),
      dataDirectory_(dataDirectory),
      spectrum_(&RandomBelow) {
  ui->setupUi(this);
  setWindowTitle(QString());
  playlist_ = new Playlist(this);
  playlist_->setObjectName(QStringLiteral("Playlist"));
  ui->ListBox1->setModel(playlist_);
  ui->ListBox1->setSelectionModel(playlist_->selectionModel());
  player_ = new Player(*playlist_, this);
  player_->setObjectName(QStringLiteral("Player"));
  // The form compiler drops captions made only of blanks; these check boxes carry them.
  for (TsCheckBox* box : {ui->sCheckBox1, ui->sCheckBox2, ui->sCheckBox4, ui->sCheckBox7}) {
    box->setText(QStringLiteral(" "));
  }
  ui->sCheckBox3->setText(QStringLiteral("  "));

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(kTickIntervalMs);
  Timer2 = new QTimer(this);
  Timer2->setObjectName(QStringLiteral("Timer2"));
  Timer2->setInterval(kUnusedTimerIntervalMs);
  Timer3 = new QTimer(this);
  Timer3->setObjectName(QStringLiteral("Timer3"));
  Timer3->setInterval(kFrameIntervalMs);
  Timer4 = new QTimer(this);
  Timer4->setObjectName(QStringLiteral("Timer4"));
  Timer4->setInterval(kAutoplayDelayMs);
  // Precise timers keep to their period exactly, so every fifth tick and the frame step fall
  // due together and share one wakeup; coarse ones drift apart within their slack and wake
  // the process separately.
  Timer1->setTimerType(Qt::PreciseTimer);
  Timer3->setTimerType(Qt::PreciseTimer);

  menus_ = WindowMenus::build(this);
  TsSkinManager::install(this);
  new TsHintManager(this);
  followSoundControls();
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

void TForm1::bindEvents() {
  auto bind = [this](auto* sender, auto signal, void (TForm1::*handler)()) {
    connect(sender, signal, this, [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
  };
  bind(Timer1, &QTimer::timeout, &TForm1::Timer1Timer);
  bind(Timer2, &QTimer::timeout, &TForm1::Timer2Timer);
  bind(Timer3, &QTimer::timeout, &TForm1::Timer3Timer);
  bind(Timer1, &QTimer::timeout, &TForm1::runDueFrameStepWithTick);
  connect(Timer1, &QTimer::timeout, this, &TForm1::restWhileNothingChanges);
  bind(Timer4, &QTimer::timeout, &TForm1::Timer4Timer);

  bind(ui->BitBtn1, &QAbstractButton::clicked, &TForm1::BitBtn1Click);
  bind(ui->BitBtn2, &QAbstractButton::clicked, &TForm1::BitBtn2Click);
  bind(ui->BitBtn3, &QAbstractButton::clicked, &TForm1::BitBtn3Click);
  bind(ui->BitBtn4, &QAbstractButton::clicked, &TForm1::BitBtn4Click);
  bind(ui->BitBtn5, &QAbstractButton::clicked, &TForm1::BitBtn5Click);
  bind(ui->sBitBtn1, &QAbstractButton::clicked, &TForm1::sBitBtn1Click);
  bind(ui->sBitBtn2, &QAbstractButton::clicked, &TForm1::sBitBtn2Click);
  bind(ui->sBitBtn3, &QAbstractButton::clicked, &TForm1::sBitBtn3Click);
  bind(ui->sBitBtn4, &QAbstractButton::clicked, &TForm1::sBitBtn4Click);
  bind(ui->ListBox1, &QAbstractItemView::clicked, &TForm1::ListBox1Click);
  // When the list or the end-of-list rules change, the entry that follows may be another, so
  // a prepared one is checked again. A prepared entry that is heard already is taken up first,
  // before the list changes, as the end that the output has passed started it.
  // The end-of-list rules are the three boxes' states.
  for (QCheckBox* rule : std::array<QCheckBox*, 3>{ui->sCheckBox5, ui->CheckBox1, ui->sCheckBox6}) {
    connect(rule, &QAbstractButton::toggled, this, [this] {
      guarded([this] {
        player_->setEndOfListRules({ui->sCheckBox5->isChecked(), ui->CheckBox1->isChecked(), ui->sCheckBox6->isChecked()});
      });
    });
  }
  connect(player_, &Player::captionChanged, this, &QWidget::setWindowTitle);
  connect(player_, &Player::exitRequested, this, &QWidget::close);

  // A check box's click handler also runs when its state is changed by the program.
  bind(ui->sCheckBox1, &QAbstractButton::toggled, &TForm1::sCheckBox1Click);
  bind(ui->sCheckBox2, &QAbstractButton::toggled, &TForm1::sCheckBox2Click);
  bind(ui->sCheckBox3, &QAbstractButton::toggled, &TForm1::sCheckBox3Click);
  bind(ui->sCheckBox4, &QAbstractButton::toggled, &TForm1::sCheckBox4Click);
  bind(ui->sCheckBox7, &QAbstractButton::toggled, &TForm1::sCheckBox7Click);
  bind(ui->sCheckBox9, &QAbstractButton::toggled, &TForm1::sCheckBox9Click);
  bind(ui->sCheckBox8, &QAbstractButton::toggled, &TForm1::sCheckBox8Click);
  bind(ui->sTrackBar5, &QAbstractSlider::valueChanged, &TForm1::sTrackBar5Change);
  bind(ui->sTrackBar6, &QAbstractSlider::valueChanged, &TForm1::sTrackBar6Change);
  bind(ui->sTrackBar7, &QAbstractSlider::valueChanged, &TForm1::sTrackBar7Change);
  bind(ui->sTrackBar8, &QAbstractSlider::valueChanged, &TForm1::sTrackBar8Change);
  bind(ui->sTrackBar9, &QAbstractSlider::valueChanged, &TForm1::sTrackBar9Change);

  connect(ui->sGauge1, &TsGauge::MouseMove, this, [this](Qt::MouseButtons buttons, int x, int y) {
    guarded([&] { sGauge1MouseMove(buttons, x, y); });
  });
  connect(ui->sGauge2, &TsGauge::MouseMove, this, [this](Qt::MouseButtons buttons, int x, int y) {
    guarded([&] { sGauge2MouseMove(buttons, x, y); });
  });

  bind(menus_.ClearPlayList1, &QAction::triggered, &TForm1::ClearPlayList1Click);
  bind(menus_.deleteselectedfile1, &QAction::triggered, &TForm1::deleteselectedfile1Click);
  bind(menus_.seting1, &QAction::triggered, &TForm1::seting1Click);
  bind(menus_.OpenFiles1, &QAction::triggered, &TForm1::OpenFiles1Click);
  bind(menus_.SettingEQ1, &QAction::triggered, &TForm1::SettingEQ1Click);
  bind(menus_.svernut1, &QAction::triggered, &TForm1::svernut1Click);
  bind(menus_.rashirit1, &QAction::triggered, &TForm1::rashirit1Click);
  bind(menus_.Grafik1, &QAction::triggered, &TForm1::Grafik1Click);
  bind(menus_.maximaze1, &QAction::triggered, &TForm1::maximaze1Click);
  bind(menus_.play1, &QAction::triggered, &TForm1::play1Click);
  bind(menus_.pause1, &QAction::triggered, &TForm1::pause1Click);
  bind(menus_.stop1, &QAction::triggered, &TForm1::stop1Click);
  bind(menus_.N1, &QAction::triggered, &TForm1::N1Click);
  bind(menus_.N2, &QAction::triggered, &TForm1::N2Click);

  // Right clicks on the transport panel (and everything on it) and on the playlist open
  // their context menus; key presses anywhere in the window reach FormKeyDown first.
  qApp->installEventFilter(this);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (resting_) wakeFromRest();
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != this) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress && keyPreview_) {
    auto* key = static_cast<QKeyEvent*>(event);
    // A key press that its receiver ignores travels on to the receiver's parents; the window
    // sees it once, where it was first delivered.
    const bool travelling = key == lastPreviewedKey_ && lastPreviewedWidget_ != nullptr &&
                            widget != lastPreviewedWidget_ &&
                            widget->isAncestorOf(lastPreviewedWidget_);
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

void TForm1::updateClientSize() {
  int width = 0;
  int height = 0;
  for (QObject* object : children()) {
    auto* child = qobject_cast<QWidget*>(object);
    if (child == nullptr || child->isWindow() || child->isHidden()) continue;
    width = std::max(width, child->geometry().right() + 1);
    height = std::max(height, child->geometry().bottom() + 1);
  }
  setFixedSize(width, height);
}

void TForm1::FormCreate() {
  // The colour of the bars comes from the generator's first three draws, before the reseed.
  spectrum_.DrawStemColour();
  keyPreview_ = true;
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  BindSurface(ui->Panel1);
  player_->createTrack();
  Reseed();
  setAcceptDrops(true);
  acceptsDrops_ = true;
  const QDir folder(dataDirectory_);
  PlaylistIni = std::make_unique<IniFile>(folder.filePath(QStringLiteral("PLIST.LST")));
  ConfigIni = std::make_unique<IniFile>(folder.filePath(QStringLiteral("Config.ini")));
  LoadPlaylist();
  LoadSettings();
  LocalizeInterface();

  Timer1->start();
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
  ReleaseSurface();
  player_->silenceTrack();
  setAcceptDrops(false);
  acceptsDrops_ = false;
  SavePlaylist();
  SaveSettings();
  player_->freeTrack();
}

void TForm1::Timer4Timer() {
  Timer4->stop();
  player_->autoplay();
}

void TForm1::LocalizeInterface() { ::LocalizeInterface(*ui, menus_); }

void TForm1::Timer2Timer() {}
void TForm1::FormDeactivate() {}
void TForm1::FormMouseMove() {}

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
