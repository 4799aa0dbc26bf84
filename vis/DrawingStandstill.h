#pragma once

// Tells when the drawings stand still: the spectrum they were given and the levels they left
// have not changed over the last passes, so that every further pass records what the last one
// did. Sound reaches the spectrum a device period at a time, and a period spans several
// passes, so a standstill counts only after more unchanged passes than any period lasts.
// GUI thread.

#include "vis/SpectrumLevels.h"

class DrawingStandstill {
 public:
  // A quarter of a second of passes at the tick's 10 ms.
  static constexpr int kStillPasses = 25;

  // After each drawing pass, with the spectrum it drew and the levels it left.
  void passDrawn(const SpectrumSnapshot& spectrum, const LevelArray& peakLevels, const LevelArray& barLevels);
  bool reached() const { return stillPasses_ >= kStillPasses; }

 private:
  SpectrumSnapshot spectrum_{};
  LevelArray peakLevels_{};
  LevelArray barLevels_{};
  int stillPasses_ = 0;
};
