#include "ui/MprisService.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>

const char* const MprisService::kServiceName = "org.mpris.MediaPlayer2.tembr";
const char* const MprisService::kObjectPath = "/org/mpris/MediaPlayer2";

namespace {
const char* const kPlayerInterface = "org.mpris.MediaPlayer2.Player";
const char* const kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
// Track ids must not lie under /org/mpris.
const char* const kTrackIdPrefix = "/org/tembr/track/";
// Status and track changes reach the desktop within a quarter of a second; reading the
// playback costs a few field reads.
constexpr int kPollIntervalMs = 250;

void call(const std::function<void()>& hook) {
  if (hook) hook();
}

// Whether the playback has a track with a length to seek in.
bool hasSeekableTrack(const MprisPlayback& playback) {
  return !playback.filePath.isEmpty() && playback.length > std::chrono::microseconds::zero();
}

// Whether two playbacks describe the same track in the same words.
bool describeSameTrack(const MprisPlayback& a, const MprisPlayback& b) {
  return a.filePath == b.filePath && a.length == b.length && a.title == b.title && a.artist == b.artist &&
         a.album == b.album && a.trackNumber == b.trackNumber && a.coverPath == b.coverPath;
}

// A file's URL with every byte of its path percent-encoded but for the unreserved ones and
// the slashes: a name that is not UTF-8 gives a URL that still names the file.
QString fileUrl(const QByteArray& path) {
  return QStringLiteral("file://") + QString::fromLatin1(path.toPercentEncoding("/"));
}

QString fileNameOf(const QByteArray& path) { return QString::fromUtf8(path.mid(path.lastIndexOf('/') + 1)); }
}  // namespace

// org.mpris.MediaPlayer2: the application as a whole.
class MprisRootAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
  Q_PROPERTY(bool CanQuit READ canQuit)
  Q_PROPERTY(bool CanRaise READ canRaise)
  Q_PROPERTY(bool HasTrackList READ hasTrackList)
  Q_PROPERTY(QString Identity READ identity)
  Q_PROPERTY(QString DesktopEntry READ desktopEntry)
  Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
  Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)

 public:
  explicit MprisRootAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}

  bool canQuit() const { return bool(service_->hooks().quit); }
  bool canRaise() const { return bool(service_->hooks().raise); }
  bool hasTrackList() const { return false; }
  QString identity() const { return QStringLiteral("Tembr"); }
  QString desktopEntry() const { return QStringLiteral("tembr"); }
  QStringList supportedUriSchemes() const { return {QStringLiteral("file")}; }
  QStringList supportedMimeTypes() const { return MprisService::supportedMimeTypes(); }

 public slots:
  void Raise() { call(service_->hooks().raise); }
  void Quit() { call(service_->hooks().quit); }

 private:
  MprisService* service_;
};

// org.mpris.MediaPlayer2.Player: the transport. Each command presses the button that the
// tray menu's item of the same meaning presses.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
  Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
  Q_PROPERTY(QVariantMap Metadata READ metadata)
  Q_PROPERTY(double Volume READ volume WRITE setVolume)
  Q_PROPERTY(qlonglong Position READ position)
  Q_PROPERTY(double Rate READ rate)
  Q_PROPERTY(double MinimumRate READ rate)
  Q_PROPERTY(double MaximumRate READ rate)
  Q_PROPERTY(bool CanGoNext READ canControl)
  Q_PROPERTY(bool CanGoPrevious READ canControl)
  Q_PROPERTY(bool CanPlay READ canControl)
  Q_PROPERTY(bool CanPause READ canControl)
  Q_PROPERTY(bool CanSeek READ canSeek)
  Q_PROPERTY(bool CanControl READ canControl)

 public:
  explicit MprisPlayerAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}

  QString playbackStatus() const { return service_->playbackStatus(); }
  QVariantMap metadata() const { return service_->metadata(); }
  double volume() const { return service_->playback().volume; }
  void setVolume(double volume) { service_->setVolume(volume); }
  qlonglong position() const { return service_->playback().position.count(); }
  double rate() const { return 1.0; }
  bool canControl() const { return true; }
  bool canSeek() const { return service_->canSeek(); }

 public slots:
  void Next() { call(service_->hooks().next); }
  void Previous() { call(service_->hooks().previous); }
  void Pause() { call(service_->hooks().pause); }
  void PlayPause() { service_->playPause(); }
  void Stop() { call(service_->hooks().stop); }
  void Play() { call(service_->hooks().play); }
  void Seek(qlonglong offset) { service_->seekBy(std::chrono::microseconds(offset)); }
  void SetPosition(const QDBusObjectPath& trackId, qlonglong position) {
    service_->setPosition(trackId.path(), std::chrono::microseconds(position));
  }
  void OpenUri(const QString& uri) { service_->openUri(uri); }

 signals:
  void Seeked(qlonglong position);

 private:
  MprisService* service_;
};

MprisService::MprisService(MprisHooks hooks, QDBusConnection bus, QObject* parent)
    : QObject(parent), hooks_(std::move(hooks)), bus_(std::move(bus)) {
  new MprisRootAdaptor(this);
  new MprisPlayerAdaptor(this);
  if (!bus_.isConnected()) return;
  if (!bus_.registerObject(QString::fromLatin1(kObjectPath), this, QDBusConnection::ExportAdaptors)) return;
  serviceName_ = QString::fromLatin1(kServiceName);
  if (!bus_.registerService(serviceName_)) {
    // Another player process holds the name; the MPRIS convention gives each instance its own.
    serviceName_ += QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
    if (!bus_.registerService(serviceName_)) {
      bus_.unregisterObject(QString::fromLatin1(kObjectPath));
      serviceName_.clear();
      return;
    }
  }
  registered_ = true;
  announced_ = playback();
  pollTimer_ = new QTimer(this);
  pollTimer_->setInterval(kPollIntervalMs);
  connect(pollTimer_, &QTimer::timeout, this, &MprisService::refresh);
  pollTimer_->start();
}

MprisService::~MprisService() {
  if (!registered_) return;
  bus_.unregisterService(serviceName_);
  bus_.unregisterObject(QString::fromLatin1(kObjectPath));
}

QStringList MprisService::supportedMimeTypes() {
  return {
      QStringLiteral("audio/mpeg"),      QStringLiteral("audio/x-mp3"),
      QStringLiteral("audio/wav"),       QStringLiteral("audio/x-wav"),
      QStringLiteral("audio/ogg"),       QStringLiteral("audio/x-vorbis+ogg"),
      QStringLiteral("audio/x-opus+ogg"), QStringLiteral("audio/flac"),
      QStringLiteral("audio/x-flac"),    QStringLiteral("audio/mp4"),
      QStringLiteral("audio/x-m4a"),     QStringLiteral("audio/aac"),
      QStringLiteral("audio/x-aiff"),    QStringLiteral("audio/x-ms-wma"),
  };
}

MprisPlayback MprisService::playback() const {
  MprisPlayback now = hooks_.playback ? hooks_.playback() : MprisPlayback{};
  if (now.filePath != lengthPath_ || length_ <= std::chrono::microseconds::zero()) {
    lengthPath_ = now.filePath;
    length_ = now.length;
  }
  now.length = length_;
  return now;
}

QString MprisService::playbackStatus() const {
  switch (playback().status) {
    case MprisPlayback::Status::Playing:
      return QStringLiteral("Playing");
    case MprisPlayback::Status::Paused:
      return QStringLiteral("Paused");
    case MprisPlayback::Status::Stopped:
      break;
  }
  return QStringLiteral("Stopped");
}

QVariantMap MprisService::metadata() { return metadataFor(playback()); }

QVariantMap MprisService::metadataFor(const MprisPlayback& playback) {
  if (playback.filePath.isEmpty()) {
    return {{QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(kNoTrack))}};
  }
  QVariantMap metadata = {
      {QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(trackIdFor(playback)))},
      {QStringLiteral("mpris:length"), QVariant::fromValue(qint64{playback.length.count()})},
      {QStringLiteral("xesam:url"), fileUrl(playback.filePath)},
      {QStringLiteral("xesam:title"), playback.title.isEmpty() ? fileNameOf(playback.filePath) : playback.title},
  };
  if (!playback.artist.isEmpty()) metadata.insert(QStringLiteral("xesam:artist"), QStringList{playback.artist});
  if (!playback.album.isEmpty()) metadata.insert(QStringLiteral("xesam:album"), playback.album);
  if (playback.trackNumber > 0) metadata.insert(QStringLiteral("xesam:trackNumber"), playback.trackNumber);
  if (!playback.coverPath.isEmpty()) metadata.insert(QStringLiteral("mpris:artUrl"), fileUrl(playback.coverPath));
  return metadata;
}

QString MprisService::trackIdFor(const MprisPlayback& playback) {
  if (playback.filePath.isEmpty()) return QString::fromLatin1(kNoTrack);
  if (playback.filePath != trackPath_) {
    trackPath_ = playback.filePath;
    ++trackNumber_;
  }
  return QString::fromLatin1(kTrackIdPrefix) + QString::number(trackNumber_);
}

void MprisService::playPause() {
  if (playback().status == MprisPlayback::Status::Playing) {
    call(hooks_.pause);
  } else {
    call(hooks_.play);
  }
}

void MprisService::openUri(const QString& uri) {
  const QUrl url(uri);
  if (!url.isLocalFile() || !hooks_.openFile) return;
  hooks_.openFile(url);
}

bool MprisService::canSeek() const { return hooks_.seek && hasSeekableTrack(playback()); }

void MprisService::seekBy(std::chrono::microseconds offset) {
  if (!canSeek()) return;
  const MprisPlayback now = playback();
  const std::chrono::microseconds target = std::max(now.position + offset, std::chrono::microseconds::zero());
  if (target >= now.length) {
    call(hooks_.next);
    return;
  }
  seekTo(target);
}

void MprisService::setPosition(const QString& trackId, std::chrono::microseconds position) {
  if (!canSeek()) return;
  const MprisPlayback now = playback();
  if (trackId != trackIdFor(now)) return;
  if (position < std::chrono::microseconds::zero() || position > now.length) return;
  seekTo(position);
}

void MprisService::seekTo(std::chrono::microseconds position) {
  hooks_.seek(position);
  announceSeek();
}

void MprisService::setVolume(double volume) {
  if (!hooks_.setVolume || !std::isfinite(volume)) return;
  hooks_.setVolume(std::clamp(volume, 0.0, 1.0));
}

void MprisService::announceSeek() {
  if (!registered_) return;
  QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath), QString::fromLatin1(kPlayerInterface),
                                                   QStringLiteral("Seeked"));
  signal << qlonglong{playback().position.count()};
  bus_.send(signal);
}

void MprisService::refresh() {
  if (!registered_) return;
  const MprisPlayback now = playback();
  QVariantMap changed;
  if (now.status != announced_.status) changed.insert(QStringLiteral("PlaybackStatus"), playbackStatus());
  if (!describeSameTrack(now, announced_)) {
    changed.insert(QStringLiteral("Metadata"), metadataFor(now));
  }
  if (now.volume != announced_.volume) changed.insert(QStringLiteral("Volume"), now.volume);
  if (hooks_.seek && hasSeekableTrack(now) != hasSeekableTrack(announced_)) {
    changed.insert(QStringLiteral("CanSeek"), hasSeekableTrack(now));
  }
  announced_ = now;
  if (!changed.isEmpty()) announce(kPlayerInterface, changed);
}

void MprisService::rest() {
  if (pollTimer_ == nullptr) return;
  refresh();
  pollTimer_->stop();
}

void MprisService::wake() {
  if (pollTimer_ != nullptr) pollTimer_->start();
}

void MprisService::announce(const char* interfaceName, const QVariantMap& changed) {
  QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                   QStringLiteral("org.freedesktop.DBus.Properties"),
                                                   QStringLiteral("PropertiesChanged"));
  signal << QString::fromLatin1(interfaceName) << changed << QStringList();
  bus_.send(signal);
}

#include "MprisService.moc"
