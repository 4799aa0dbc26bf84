#include "playlist/NextEntry.h"

#include "audio/TETrack.h"

bool hasPlayedToItsEnd(TETrack& track) {
  if (track.GetActivity() != audio::Activity::Stopped) return false;
  if (track.Stream == 0 && (track.State != PlayState::Playing || !track.OpenAttempted)) return false;
  return track.GetFullLengthBytes() == track.GetFullPositionBytes();
}

int certainNextEntry(int current, int count, EndOfListRules rules) {
  if (current < count - 1) return current + 1;
  if (count == 0 || (rules.exit && current == count - 1)) return -1;
  // Random runs after repeat in the same tick and replaces what repeat started.
  return rules.repeat && !rules.random ? 0 : -1;
}

bool endOfEntryActs(int current, int count, EndOfListRules rules) {
  if (current < count - 1) return true;
  return (rules.exit && current == count - 1) || ((rules.repeat || rules.random) && count > 0);
}
