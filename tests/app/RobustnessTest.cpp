// The window under a file that never answers: closing it still saves the list and the
// settings first. The player's own robustness is tests/playlist/PlayerRobustnessTest.

#include <gtest/gtest.h>

#include <QFile>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "audio/decode/Decoder.h"
#include "tests/app/PlaybackHarness.h"

namespace {

using playback::Harness;

QByteArray fileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray validWav() { return fileBytes(playback::toneFile("robust-source.wav", 0.2)); }

// A file that never answers, as on a network mount that has stopped answering, holds up
// whatever waits on it; closing the window still writes the playlist and the settings first.
// The reader here answers once both files are there, or after ten seconds at most, and notes
// which it was.
TEST(Robustness, AFileThatNeverAnswersDoesNotKeepTheListAndSettingsFromBeingSaved) {
  Harness harness(1, 0.2, "robust-saved");
  const std::filesystem::path playlist = harness.folder.file(QStringLiteral("PLIST.LST")).toStdString();
  const std::filesystem::path settings = harness.folder.file(QStringLiteral("Config.ini")).toStdString();
  const auto savedWhileHung = std::make_shared<std::atomic<bool>>(false);
  audio::Engine::setDecoderOpener([=](const std::string& path) {
    if (path.find("hung") != std::string::npos) {
      const auto saved = [&] { return std::filesystem::exists(playlist) && std::filesystem::exists(settings); };
      const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (!saved() && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      *savedWhileHung = saved();
    }
    return audio::openDecoder(path);
  });
  harness.addEntry(harness.folder.write(QStringLiteral("hung.wav"), validWav()));
  harness.click(1);
  harness.window().FormDestroy();
  audio::Engine::setDecoderOpener(nullptr);
  EXPECT_TRUE(*savedWhileHung);
  EXPECT_TRUE(harness.folder.read(QStringLiteral("PLIST.LST")).contains("hung.wav"));
}

}  // namespace
