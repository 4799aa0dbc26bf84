#pragma once

// Which playlist entry the end of the current one starts, when that is certain beforehand:
// the player prepares that entry near the end, so that it follows without a gap. And whether
// the end starts or closes anything at all: a finished entry that starts nothing stays
// finished, and the player rests until something changes.

// The three end-of-list switches.
struct EndOfListRules {
  bool exit = false;
  bool repeat = false;
  bool random = false;
};

// The entry that the end of entry `current`, in a list of `count`, starts: the next one, or
// at the end of the list the first when the list repeats. -1 when it is not certain: at the
// end of a list that closes the window, or that draws a random entry, whose draw must wait
// for its turn because the drawings share the generator.
int certainNextEntry(int current, int count, EndOfListRules rules);

// Whether the end of entry `current`, in a list of `count`, does anything: the advance to the
// next entry, or one of the end-of-list rules (closing the window only from the last entry,
// repeat and random with any entry in the list).
bool endOfEntryActs(int current, int count, EndOfListRules rules);
