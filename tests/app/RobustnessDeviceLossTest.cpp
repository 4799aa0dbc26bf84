// The sound device going away while playing and coming back. SDL's disk driver stands in for
// the device: when a write fails it reports the device as lost, as a real driver does when
// its device is unplugged or its sound server ends. A file size limit on this process makes
// the writes fail once the capture file is full; reopening the device starts the file afresh,
// so the device comes back, fills up and is lost again, over and over. Here the disk driver's
// device also closes while nothing plays, as any device does, and opens again on play.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QThread>
#include <cstdlib>
#include <memory>

#include "audio/engine/Engine.h"
#include "audio/output/SdlOutput.h"
#include "tests/audio/support/AudioFixtures.h"
#include "tests/support/TestFiles.h"

namespace {

using namespace std::chrono_literals;

long fileSize(const QString& path) {
  struct stat info {};
  return ::stat(path.toLocal8Bit().constData(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
}

TEST(RobustnessDeviceLoss, PlaybackGoesOnWhileTheDeviceIsGoneAndReturnsToIt) {
  const std::string tone = fixtures::writeSineWav("device-loss.wav", 44100, 2, 440.0, 60.0);
  TempFolder folder;
  const QString capture = folder.file(QStringLiteral("capture.raw"));
  ::setenv("SDL_AUDIODRIVER", "disk", 1);
  ::setenv("SDL_DISKAUDIOFILE", capture.toLocal8Bit().constData(), 1);
  // A failing write must fail, not end the process.
  ::signal(SIGXFSZ, SIG_IGN);
  rlimit previous{};
  ::getrlimit(RLIMIT_FSIZE, &previous);
  constexpr long kLimit = 256 * 1024;  // about 0.7 s of float stereo at 44.1 kHz
  rlimit limited = previous;
  limited.rlim_cur = kLimit;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);

  audio::Engine::setOutputFactory(
      [](int rate) { return audio::SdlOutput::open(rate, audio::SdlOutput::FileDevice::RestsToo); });
  audio::Engine& engine = audio::Engine::instance();
  engine.init(-1, 44100);
  auto* output = dynamic_cast<audio::SdlOutput*>(engine.output());
  ASSERT_NE(output, nullptr);
  ASSERT_TRUE(output->hasDevice()) << "the disk driver did not open";
  const audio::StreamHandle stream = engine.streamCreateFile(tone);
  ASSERT_NE(stream, 0u);
  ASSERT_TRUE(engine.play(stream, true));

  // Polls until the device has come back twice and playback was seen moving while it was gone.
  int returns = 0, advancesWhileGone = 0;
  long lastSize = fileSize(capture);
  int64_t lastPosition = engine.getPosition(stream);
  const QDeadlineTimer bound(30s);
  while (!bound.hasExpired() && (returns < 2 || advancesWhileGone < 1)) {
    QThread::msleep(150);
    const long size = fileSize(capture);
    const int64_t position = engine.getPosition(stream);
    if (size < lastSize) ++returns;
    // Nothing reached the full file since the last look: the device is gone.
    if (size == lastSize && size > 0 && position > lastPosition) ++advancesWhileGone;
    lastSize = size;
    lastPosition = position;
  }
  const audio::Activity activity = engine.isActive(stream);
  // No more losses from here. Paused, the player rests: the device closes. A device lost a
  // moment ago is tried again within half a second, so only a device closed for longer than
  // that is at rest. Played again, it opens again and fills a new file.
  ::setrlimit(RLIMIT_FSIZE, &previous);
  engine.pause(stream);
  const QDeadlineTimer restBound(10s);
  QDeadlineTimer closedFor(1s);
  while (!restBound.hasExpired() && !(closedFor.hasExpired() && !output->hasDevice())) {
    if (output->hasDevice()) closedFor.setRemainingTime(1s);
    QThread::msleep(50);
  }
  const bool rested = !output->hasDevice();
  const QString reopened = folder.file(QStringLiteral("reopened.raw"));
  ::setenv("SDL_DISKAUDIOFILE", reopened.toLocal8Bit().constData(), 1);
  engine.play(stream, false);
  const QDeadlineTimer playBound(10s);
  while (!playBound.hasExpired() && fileSize(reopened) <= 0) QThread::msleep(50);
  const long sizeAfterRest = fileSize(reopened);
  engine.free();
  audio::Engine::setOutputFactory(nullptr);

  EXPECT_GE(returns, 2) << "the device never came back";
  EXPECT_GE(advancesWhileGone, 1) << "playback stalled while the device was gone";
  EXPECT_EQ(activity, audio::Activity::Playing);
  EXPECT_TRUE(rested) << "the device stayed open while paused";
  EXPECT_GT(sizeAfterRest, 0) << "the device did not open again on play";
}

}  // namespace
