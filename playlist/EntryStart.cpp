#include "playlist/EntryStart.h"

namespace {

using enum StartStep;

constexpr StartStep kListClick[] = {Stop, TakeEntry, Caption, Open, Effects, Play};
constexpr StartStep kNextPreviousOrAdvance[] = {TakeEntry, Stop, Open, Effects, Play, Caption};
constexpr StartStep kRepeat[] = {TakeEntry, Caption, Open, Stop, Effects, Play};
constexpr StartStep kRandom[] = {Stop, TakeEntry, Open, Effects, Play};

}  // namespace

std::span<const StartStep> startSteps(StartKind kind) {
  switch (kind) {
    case StartKind::ListClick:
      return kListClick;
    case StartKind::Next:
    case StartKind::Previous:
    case StartKind::Advance:
      return kNextPreviousOrAdvance;
    case StartKind::Repeat:
      return kRepeat;
    case StartKind::Random:
      break;
  }
  return kRandom;
}
