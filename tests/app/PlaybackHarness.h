#pragma once

// A window playing its playlist through the manually clocked output: audio advances only
// when a test renders frames, and the playback tick runs only when the test calls it, so
// nothing depends on timers or on how fast the machine is.

#include <QListWidget>
#include <QString>
#include <QTimer>
#include <memory>
#include <string>

#include "app/TForm1.h"
#include "audio/TETrack.h"
#include "audio/engine/Engine.h"
#include "audio/output/ManualClockOutput.h"
#include "tests/audio/support/AudioFixtures.h"
#include "tests/support/TestFiles.h"
#include "ui_TForm1.h"

namespace playback {

inline constexpr int kSampleRate = 44100;
inline constexpr int kRenderBlock = 512;
// Far more blocks than any test file needs; a loop that reaches it has hung.
inline constexpr int kRenderLimit = 20000;

// A short stereo tone written for the test; `seconds` picks its length.
inline QString toneFile(const std::string& name, double seconds) {
  return QString::fromStdString(fixtures::writeSineWav(name, kSampleRate, 2, 440.0, seconds));
}

class Harness {
 public:
  Harness() {
    static const bool installed = [] {
      audio::Engine::setOutputFactory(
          [](int rate) { return std::make_unique<audio::ManualClockOutput>(rate); });
      return true;
    }();
    (void)installed;
    form = std::make_unique<TForm1>(folder.path());
    form->FormCreate();
    // The test is the clock: no timer may fire behind its back.
    form->Timer1->stop();
    form->Timer3->stop();
    form->Timer4->stop();
  }

  ~Harness() {
    if (form) form->FormDestroy();
  }

  TForm1& window() { return *form; }
  Ui::TForm1& ui() { return *form->ui; }
  TETrack& track() { return *form->Track; }
  audio::Engine& engine() { return audio::Engine::instance(); }
  audio::ManualClockOutput& output() {
    return *dynamic_cast<audio::ManualClockOutput*>(engine().output());
  }

  void addEntry(const QString& path) { form->ui->ListBox1->addItem(path); }
  int count() const { return form->ui->ListBox1->count(); }
  int selection() const { return form->ui->ListBox1->currentRow(); }
  void click(int row) {
    form->ui->ListBox1->setCurrentRow(row);
    form->ListBox1Click();
  }

  audio::StreamHandle stream() const { return form->Track->Stream; }
  audio::Activity activity() { return engine().isActive(stream()); }
  int64_t position() { return engine().getPosition(stream()); }
  int64_t length() { return engine().getLength(stream()); }

  void render(int frames) {
    output().render(frames);
    output().clearRecorded();
  }

  // Renders until the current stream has stopped by itself; returns whether it did.
  bool playOut() {
    for (int i = 0; i < kRenderLimit; ++i) {
      if (activity() != audio::Activity::Playing) return activity() == audio::Activity::Stopped;
      render(kRenderBlock);
    }
    return false;
  }

  void tick() { form->Timer1Timer(); }

  // Plays the current stream to its end and runs the tick that notices it.
  bool playOutAndTick() {
    const bool ended = playOut();
    tick();
    return ended;
  }

  TempFolder folder;
  std::unique_ptr<TForm1> form;
};

}  // namespace playback
