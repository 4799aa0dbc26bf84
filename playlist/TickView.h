#pragma once

// What one pass of the playback tick gives the window to show: the position gauge, the three
// read-outs, and whether the pass fetched a spectrum for the drawings. Every text is built in
// place, so that the tick allocates nothing and the window can compare a text with the label
// that shows it before it touches the label. GUI thread; Qt Core only.

#include <QLatin1String>
#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstdint>

#include "playlist/ClockText.h"

// "Track3  of  12": the entry number counted from 1 and the number of entries.
class TrackCounterText {
 public:
  TrackCounterText() = default;
  TrackCounterText(int64_t number, int64_t count) {
    char* out = chars_.data();
    char* const end = out + chars_.size();
    out = append(out, "Track");
    out = std::to_chars(out, end, number).ptr;
    out = append(out, "  of  ");
    out = std::to_chars(out, end, count).ptr;
    length_ = out - chars_.data();
  }

  QLatin1String view() const { return QLatin1String(chars_.data(), length_); }

 private:
  template <size_t N>
  static char* append(char* out, const char (&text)[N]) {
    return std::copy(text, text + N - 1, out);
  }

  // Room for both words and two 64-bit numbers with their signs.
  std::array<char, 64> chars_{};
  qsizetype length_ = 0;
};

struct TickView {
  // False when there was no track to tick: the window shows nothing new.
  bool ticked = false;
  // The position gauge (sGauge1): its maximum and its progress, the stream's length and
  // position in bytes at the gauge's scale (playlist/GaugeMapping.h); 0 and 0 without a stream.
  int32_t positionMaximum = 0;
  int32_t positionProgress = 0;
  // Label1 and Label2: the position and the length as clock texts.
  ClockText position{std::chrono::milliseconds(0)};
  ClockText length{std::chrono::milliseconds(0)};
  // Whether a stream was open after the end-of-track check: the spectrum buffer holds its
  // spectrum now, the drawing pass runs, and Label3 shows `counter`. Without a stream the
  // buffer, the drawings and Label3 are left as they were.
  bool drawn = false;
  TrackCounterText counter;
};
