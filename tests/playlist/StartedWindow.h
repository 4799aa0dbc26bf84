#pragma once

// The main window on a data folder, created as at program start, playing through the
// manually clocked output, with its timers held still so that nothing plays, advances or
// draws behind the test's back.

#include <QString>
#include <QTimer>
#include <memory>

#include "app/TForm1.h"
#include "playlist/Player.h"
#include "audio/TETrack.h"
#include "audio/engine/Engine.h"
#include "audio/output/ManualClockOutput.h"
#include "ui_TForm1.h"

inline std::unique_ptr<TForm1> startWindow(const QString& dataFolder) {
  static const bool outputInstalled = [] {
    audio::Engine::setOutputFactory([](int rate) { return std::make_unique<audio::ManualClockOutput>(rate); });
    return true;
  }();
  (void)outputInstalled;
  auto form = std::make_unique<TForm1>(dataFolder);
  form->FormCreate();
  form->Timer1->stop();
  form->Timer3->stop();
  form->Timer4->stop();
  return form;
}

// A start runs its steps once its entry's file has opened, which the tick finds out. With the
// timers held still, the test lets the file open (or fail) and finishes the start as the tick
// would.
inline void finishStart(TForm1& form) {
  audio::Engine::instance().streamAwaitOpen(form.player().Track()->OpeningStream());
  form.player().FinishWaitingStart();
}
