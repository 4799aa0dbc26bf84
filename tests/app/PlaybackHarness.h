#pragma once

// A window playing its playlist through the manually clocked output: audio advances only
// when a test renders frames, and the playback tick and the frame step run only when the test
// fires their timers. For what the window shows and how it rests; the playing itself is the
// player's, tested without a window under tests/playlist/.

#include <memory>
#include <string>

#include "app/TForm1.h"
#include "tests/app/StartedWindow.h"
#include "tests/playlist/PlayerHarness.h"
#include "tests/support/TestFiles.h"

namespace playback {

// The window on a data folder of its own, started as at program start; it ends as at exit.
struct OwnWindow {
  OwnWindow() : form(startWindow(folder.path())) {}
  ~OwnWindow() { form->FormDestroy(); }
  TForm1& window() { return *form; }
  template <typename T = QWidget>
  T& part(const char* name) {
    return ::part<T>(*form, name);
  }

  TempFolder folder;
  std::unique_ptr<TForm1> form;
};

// The parts that the tick uses, found once: finding one by its name allocates.
struct TickParts {
  explicit TickParts(TForm1& form)
      : player(playerOf(form)),
        playlist(playlistOf(form)),
        tickTimer(timerOf(form, "Timer1")),
        frameTimer(timerOf(form, "Timer3")) {}
  Player& player;
  Playlist& playlist;
  QTimer& tickTimer;
  QTimer& frameTimer;
};

class WindowHarness : public OwnWindow, public TickParts, public TrackDriver {
 public:
  // `entries` tones of `seconds` each, named <stem>0.wav, <stem>1.wav, ...
  explicit WindowHarness(int entries = 0, double seconds = 0.05, const std::string& stem = "tone")
      : TickParts(*form), TrackDriver(playlist, player) {
    for (int i = 0; i < entries; ++i) addEntry(toneFile(stem + std::to_string(i) + ".wav", seconds));
  }

  void tick() {
    settle();
    fire(tickTimer);
  }
  void frameStep() { fire(frameTimer); }
  // Plays the current stream to its end, then runs the tick that notices.
  void playOutAndTick() {
    playOut();
    tick();
  }
};

}  // namespace playback
