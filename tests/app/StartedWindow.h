#pragma once

// The main window as tests reach it: its parts by their object names (the form's components,
// the timers, the menus' items, and the "Playlist", "Player" and "Visualisation" below the
// view), and the window on a data folder, created as at program start, playing through the
// manually clocked output, with its timers held still so that nothing plays, advances or
// draws behind the test's back.

#include <gtest/gtest.h>

#include <QMetaMethod>
#include <QString>
#include <QTimer>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/TForm1.h"
#include "audio/TETrack.h"
#include "audio/engine/Engine.h"
#include "playlist/Player.h"
#include "playlist/Playlist.h"
#include "tests/playlist/PlayerHarness.h"
#include "vis/Visualisation.h"

// The window's part named `name`; a missing part fails the test.
template <typename T = QWidget>
T& part(const QObject& window, const char* name) {
  T* found = window.findChild<T*>(QString::fromLatin1(name));
  if (found == nullptr) throw std::runtime_error(std::string("the window has no part ") + name);
  return *found;
}

inline Playlist& playlistOf(const QObject& window) { return part<Playlist>(window, "Playlist"); }
inline Player& playerOf(const QObject& window) { return part<Player>(window, "Player"); }
inline Visualisation& visualisationOf(const QObject& window) { return part<Visualisation>(window, "Visualisation"); }
inline QTimer& timerOf(const QObject& window, const char* name) { return part<QTimer>(window, name); }

// Runs what a timer's tick runs, at once, allocating nothing of its own.
inline void fire(QTimer& timer) {
  static const QMetaMethod timeout = QMetaMethod::fromSignal(&QTimer::timeout);
  timeout.invoke(&timer, Qt::DirectConnection);
}

// Holds the timers still: the test is the clock.
inline void holdTimers(const QObject& window) {
  for (const char* name : {"Timer1", "Timer3", "Timer4"}) timerOf(window, name).stop();
}

inline std::unique_ptr<TForm1> startWindow(const QString& dataFolder) {
  playback::useManualClockOutput();
  auto form = std::make_unique<TForm1>(dataFolder);
  form->FormCreate();
  holdTimers(*form);
  return form;
}

// A start runs its steps once its entry's file has opened, which the tick finds out. With the
// timers held still, the test lets the file open (or fail) and finishes the start as the tick
// would.
inline void finishStart(const QObject& window) {
  Player& player = playerOf(window);
  audio::Engine::instance().streamAwaitOpen(player.Track()->OpeningStream());
  player.FinishWaitingStart();
}
