#include <QAction>
#include <QMenu>
#include <chrono>
#include <optional>

#include "app/TForm1.h"
#include "audio/TETrack.h"
#include "playlist/GaugeMapping.h"
#include "playlist/Player.h"
#include "settings/ByteText.h"
#include "ui/MprisService.h"
#include "ui/TrayIcon.h"
#include "ui_TForm1.h"

namespace {

// Page indices of sPageControl1.
constexpr int kPlaylistPage = 0;
constexpr int kEffectsPage = 1;
constexpr int kEqualizerPage = 2;
constexpr int kGraphPage = 3;

// The volume gauge runs from 0 to 10; the bus speaks of 0.0 to 1.0.
constexpr double kVolumeSteps = 10.0;

// Shows the page control below the transport panel, on `page` or on the page it already has,
// and lets the window grow to hold it.
void showPages(TForm1& form, std::optional<int> page) {
  form.ui->sPageControl1->show();
  if (page) form.ui->sPageControl1->setCurrentIndex(*page);
  form.updateClientSize();
}

// A track asked to play whose stream has played to its end plays no longer: the desktop is
// told it stopped, as it is when the list has ended.
MprisPlayback::Status mprisStatus(TETrack& track) {
  switch (track.State) {
    case PlayState::Playing:
      return track.GetActivity() == audio::Activity::Stopped ? MprisPlayback::Status::Stopped
                                                             : MprisPlayback::Status::Playing;
    case PlayState::Paused:
      return MprisPlayback::Status::Paused;
    case PlayState::Stopped:
      break;
  }
  return MprisPlayback::Status::Stopped;
}

void describeTags(const audio::StreamTags& tags, MprisPlayback& playback) {
  playback.title = QString::fromStdString(tags.title);
  playback.artist = QString::fromStdString(tags.artist);
  playback.album = QString::fromStdString(tags.album);
  playback.trackNumber = tags.trackNumber;
  playback.coverPath = QByteArray::fromStdString(tags.coverPath);
}

// What plays: a start whose file has opened by now is finished first, and one still waiting
// for its file is not announced.
MprisPlayback describePlayback(TForm1& form) {
  MprisPlayback playback;
  Player& player = form.player();
  TETrack* track = player.Track();
  if (track == nullptr) return playback;
  player.FinishWaitingStart();
  playback.volume = track->LastVolume / kVolumeSteps;
  if (track->Stream == 0 || track->OpeningStream() == track->Stream) return playback;
  playback.status = mprisStatus(*track);
  playback.filePath = bytesFromText(player.CurrentFile());
  // Until the file is open its tags and times are not known; the track's times would still be
  // those of the file before.
  audio::StreamTags tags;
  if (!track->GetTags(tags)) return playback;
  describeTags(tags, playback);
  playback.length = std::chrono::round<std::chrono::microseconds>(track->GetLengthTime());
  playback.position = std::chrono::round<std::chrono::microseconds>(track->GetPositionTime());
  return playback;
}

// The bus commands do what the tray menu's items of the same meaning do.
MprisHooks mediaHooks(TForm1& form) {
  auto handler = [&form](void (TForm1::*method)()) {
    return [&form, method] { form.guarded([&] { (form.*method)(); }); };
  };
  MprisHooks hooks;
  hooks.raise = handler(&TForm1::RestoreFromTray);
  hooks.quit = [&form] { form.close(); };
  hooks.play = handler(&TForm1::play1Click);
  hooks.pause = handler(&TForm1::pause1Click);
  hooks.stop = handler(&TForm1::stop1Click);
  hooks.next = handler(&TForm1::N1Click);
  hooks.previous = handler(&TForm1::N2Click);
  hooks.openFile = [&form](const QUrl& file) {
    form.guarded([&] { form.HandOffReceived({bytesFromText(textFromLocalFileUrl(file))}); });
  };
  hooks.seek = [&form](std::chrono::microseconds position) {
    form.guarded([&] { form.player().seekTime(position); });
  };
  // The volume takes the nearest of the gauge's steps; the track hears it at once, as after a
  // drag.
  hooks.setVolume = [&form](double volume) {
    form.guarded([&] {
      if (form.player().Track() == nullptr) return;
      form.player().setVolume(gaugeValueAtShare(volume, 0, static_cast<int32_t>(kVolumeSteps)));
    });
  };
  hooks.playback = [&form] { return describePlayback(form); };
  return hooks;
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
  Mpris = std::make_unique<MprisService>(mediaHooks(*this));
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
