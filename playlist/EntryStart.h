#pragma once

// The ways of starting a playlist entry and the steps each one runs. The steps are the same
// few everywhere, in an order of each way's own, and the orders differ on purpose: a click on
// the list stops the track before anything else, next and previous read the entry first,
// repeat shows the caption before it opens, random shows none.
//
// A start reads its entry and opens the entry's file at once, and runs its steps only once
// the file is open: an entry that cannot be opened (gone since, a folder, not audio) is never
// announced, and what plays goes on where it was. Only CurrentIndex, and the selection where
// the way of starting moves it, have moved. Until then the start waits; a pause or a stop
// given meanwhile acts on what plays and is carried out again once the entry has started, so
// that the last command given is the one in force. Where the track has a stream prepared for
// the entry, the start adopts it and runs its steps at once. Qt Core only. GUI thread.

#include <QString>
#include <cstdint>
#include <span>

enum class StartStep : uint8_t {
  Stop,       // the track stops; skipped when a prepared stream was adopted
  TakeEntry,  // CurrentFile becomes the entry's text
  Caption,    // the caption shows the file name of CurrentFile
  Open,       // the entry's stream is the track's by now: opened, or adopted
  Effects,    // the ticked effects and the equaliser go on the stream
  Play,
};

enum class StartKind : uint8_t { ListClick, Next, Previous, Advance, Repeat, Random };

// The steps of a way of starting, in their order.
std::span<const StartStep> startSteps(StartKind kind);

// A command given while a start waits for its file, to be carried out after the start.
enum class HeldCommand : uint8_t { None, Pause, Stop };

// A start whose file is still opening.
struct WaitingStart {
  StartKind kind;
  QString entry;
  HeldCommand held = HeldCommand::None;
};
