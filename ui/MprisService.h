#pragma once

// The player as a media player on the session bus (MPRIS 2): desktop media keys, panels and
// command-line tools can raise the window, drive the transport and see what is playing.
// The service knows nothing of the window: the window hands it callbacks for the commands
// and one callback that describes the playback. Without a session bus the service stays
// silent and the player runs as before. GUI thread only.

#include <QByteArray>
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QStringList>
#include <QVariantMap>
#include <chrono>
#include <functional>

class QTimer;

// What the player reports about its playback at one moment.
struct MprisPlayback {
  enum class Status { Stopped, Playing, Paused };
  // Playing only while a track sounds or is about to: Stopped once it has ended.
  Status status = Status::Stopped;
  QByteArray filePath;  // the bytes of the open file's path; empty: no track is open
  // From the file's tags; empty (0) where it has none. Without a title the desktop is
  // given the file's name.
  QString title;
  QString artist;
  QString album;
  int trackNumber = 0;
  QByteArray coverPath;  // a picture file of the track's cover; empty: none
  std::chrono::microseconds length{0};
  std::chrono::microseconds position{0};
  double volume = 0.0;  // 0.0 to 1.0
};

// The player's side of the service. Unset commands are ignored.
struct MprisHooks {
  std::function<void()> raise;
  std::function<void()> quit;
  std::function<void()> play;
  std::function<void()> pause;
  std::function<void()> stop;
  std::function<void()> next;
  std::function<void()> previous;
  // A local file's URL: the player adds it as an entry, every byte of its name kept, and
  // plays it, as it does what a second start hands over.
  std::function<void(const QUrl& file)> openFile;
  // Moves the open track to a time from its start that lies before its end.
  std::function<void(std::chrono::microseconds position)> seek;
  // A volume of 0.0 to 1.0.
  std::function<void(double volume)> setVolume;
  std::function<MprisPlayback()> playback;
};

class MprisService : public QObject {
  Q_OBJECT

 public:
  static const char* const kServiceName;  // org.mpris.MediaPlayer2.tembr
  static const char* const kObjectPath;   // /org/mpris/MediaPlayer2

  // Registers the service on `bus` and starts watching the playback for changes.
  explicit MprisService(MprisHooks hooks, QDBusConnection bus = QDBusConnection::sessionBus(),
                        QObject* parent = nullptr);
  ~MprisService() override;

  // False when there is no bus or the name could not be taken.
  bool isRegistered() const { return registered_; }
  QString serviceName() const { return serviceName_; }

  // The audio types the player opens; the desktop entry lists the same.
  static QStringList supportedMimeTypes();

  // Compares the playback with what was last announced and sends PropertiesChanged for the
  // status, the track and the volume when they differ. The poll timer calls it.
  void refresh();

  // While the player rests, nothing that the service reports can change: rest() announces
  // what changed since the last poll and stops polling, wake() polls again.
  void rest();
  void wake();

  // Tells the desktop that the position jumped: sends Seeked with the position now. The
  // service calls it after its own seeks; the player calls it after the seeks it makes.
  void announceSeek();

  // Used by the bus adaptors.
  const MprisHooks& hooks() const { return hooks_; }
  // The playback as the player reports it, except that a track keeps the first length known
  // for it: a length that the decoder corrects at the end of the track is not announced.
  MprisPlayback playback() const;
  QString playbackStatus() const;
  QVariantMap metadata();
  void playPause();
  void openUri(const QString& uri);
  bool canSeek() const;
  // MPRIS's rules: a relative seek before the start goes to the start and one past the end
  // acts as Next; an absolute one names the track it means and is ignored for another track
  // or a time outside it.
  void seekBy(std::chrono::microseconds offset);
  void setPosition(const QString& trackId, std::chrono::microseconds position);
  void setVolume(double volume);

 private:
  QVariantMap metadataFor(const MprisPlayback& playback);
  QString trackIdFor(const MprisPlayback& playback);
  void seekTo(std::chrono::microseconds position);
  void announce(const char* interfaceName, const QVariantMap& changed);

  MprisHooks hooks_;
  QDBusConnection bus_;
  QString serviceName_;
  bool registered_ = false;
  QTimer* pollTimer_ = nullptr;

  // What the last refresh announced.
  MprisPlayback announced_;
  // The file whose length playback() reports, and that length.
  mutable QByteArray lengthPath_;
  mutable std::chrono::microseconds length_{0};
  // Each new file gets a new track id.
  QByteArray trackPath_;
  quint64 trackNumber_ = 0;
};
