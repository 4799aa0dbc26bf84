#include "app/MediaHooks.h"

#include <QPointer>
#include <QWidget>
#include <chrono>

#include "app/ErrorBox.h"
#include "audio/TETrack.h"
#include "playlist/GaugeMapping.h"
#include "playlist/Player.h"
#include "settings/ByteText.h"

namespace {

// The volume runs in ten steps; the bus speaks of 0.0 to 1.0.
constexpr int32_t kVolumeSteps = 10;

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

// What plays, as the service reports it: a start whose file has opened by now is finished
// first, and one still waiting for its file is not announced.
MprisPlayback describePlayback(Player& player) {
  MprisPlayback playback;
  TETrack* track = player.Track();
  if (track == nullptr) return playback;
  player.FinishWaitingStart();
  playback.volume = static_cast<double>(track->LastVolume) / kVolumeSteps;
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

}  // namespace

// The commands do what the window's transport buttons do.
MprisHooks mediaHooks(Player& player, QWidget* errorBoxParent, std::function<void()> raise,
                      std::function<void()> quit) {
  const QPointer<QWidget> parent(errorBoxParent);
  auto command = [&player, parent](void (Player::*method)()) {
    return [&player, parent, method] { runGuarded(parent, [&] { (player.*method)(); }); };
  };
  MprisHooks hooks;
  hooks.raise = std::move(raise);
  hooks.quit = std::move(quit);
  // The desktop was told that a track which played to its end has stopped, so its play
  // starts that track again from the beginning, as the stop button and then play would.
  hooks.play = [&player, parent] {
    runGuarded(parent, [&] {
      TETrack* track = player.Track();
      if (track != nullptr && track->State == PlayState::Playing && mprisStatus(*track) == MprisPlayback::Status::Stopped) {
        player.stop();
      }
      player.play();
    });
  };
  hooks.pause = command(&Player::pause);
  hooks.stop = command(&Player::stop);
  hooks.next = command(&Player::next);
  hooks.previous = command(&Player::previous);
  // A file opened from the desktop is added and played as a second start's is, and the window
  // comes to the front for it.
  hooks.openFile = [&player, parent, raiseWindow = hooks.raise](const QUrl& file) {
    runGuarded(parent, [&] {
      if (player.HandOffReceived({bytesFromText(textFromLocalFileUrl(file))}) && raiseWindow) raiseWindow();
    });
  };
  hooks.seek = [&player, parent](std::chrono::microseconds position) {
    runGuarded(parent, [&] { player.seekTime(position); });
  };
  // The volume takes the nearest of its steps; the track hears it at once, as after a drag.
  hooks.setVolume = [&player, parent](double volume) {
    runGuarded(parent, [&] {
      if (player.Track() != nullptr) player.setVolume(gaugeValueAtShare(volume, 0, kVolumeSteps));
    });
  };
  hooks.playback = [&player] { return describePlayback(player); };
  return hooks;
}
