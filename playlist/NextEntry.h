#pragma once

// The end of an entry: whether the track has played it to its end, which playlist entry the
// end starts when that is certain beforehand (the player prepares that entry near the end, so
// that it follows without a gap), and whether the end starts or closes anything at all (a
// finished entry that starts nothing stays finished, and the player rests until something
// changes). GUI thread, like the track.

class TETrack;

// The three end-of-list switches.
struct EndOfListRules {
  bool exit = false;
  bool repeat = false;
  bool random = false;
};

// Whether the stream has played to its end. A track without a stream asks the engine about
// handle 0, which reads as stopped with its length equal to its position; while the track is
// meant to be playing and an entry was opened, that entry could not be opened or decoded, and
// it counts as finished so that the player skips it. Before any open (a playlist filled from
// empty) and after stop or pause it does not count, so that adding files never starts or
// closes anything by itself.
bool hasPlayedToItsEnd(TETrack& track);

// The entry that the end of entry `current`, in a list of `count`, starts: the next one, or
// at the end of the list the first when the list repeats. -1 when it is not certain: at the
// end of a list that closes the window, or that draws a random entry, whose draw must wait
// for its turn because the drawings share the generator.
int certainNextEntry(int current, int count, EndOfListRules rules);

// Whether the end of entry `current`, in a list of `count`, does anything: the advance to the
// next entry, or one of the end-of-list rules (closing the window only from the last entry,
// repeat and random with any entry in the list).
bool endOfEntryActs(int current, int count, EndOfListRules rules);
