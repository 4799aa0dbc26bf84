#pragma once

// The second start's side of the hand-off: its paths, in one acknowledged message, to the
// running player. Plain POSIX sockets, so that a second start needs no application object and
// no window. Runs on the main thread of the second start.

#include <QString>
#include <chrono>
#include <string>
#include <vector>

inline constexpr std::chrono::milliseconds kHandOffSendTimeout{5000};
// How long a second start keeps trying to reach a player that holds the lock but does not
// listen: one that is still starting, or one that is ending.
inline constexpr std::chrono::milliseconds kHandOffPatience{10000};
inline constexpr std::chrono::milliseconds kHandOffRetryInterval{20};

enum class HandOffResult {
  Delivered,   // the running player added the paths and acknowledged them
  NoListener,  // nobody listens on the socket: nothing was delivered
  TooLong,     // the paths make a block too large to be accepted; nothing was sent
  Refused,     // the player dropped the connection before acknowledging the block
  NoAnswer,    // the player did not take or acknowledge the block in time
};

// Connects to the socket at `socketPath`, sends `paths` as one hand-off frame and waits,
// for at most `timeout` in all, until the receiver acknowledges it. Never raises SIGPIPE.
HandOffResult sendHandOff(const QString& socketPath, const std::vector<std::string>& paths,
                          std::chrono::milliseconds timeout = kHandOffSendTimeout);

enum class SecondStart {
  HandedOver,   // the running player acknowledged the paths
  TookTheLock,  // the player ended meanwhile: this process now holds the lock and runs the player
  TooLong,      // the paths make a block too large to be accepted
  GaveUp,       // no player took the paths within the patience
};

// What a start does that finds the lock at `lockPath` held: it hands `paths` over, trying
// again while the player does not answer, until the player acknowledges them or `patience`
// has passed. Between tries it takes the lock if the player has let go of it, and then
// runs the player itself with its paths.
SecondStart handOffOrTakeOver(const QString& socketPath, const QString& lockPath,
                              const std::vector<std::string>& paths,
                              std::chrono::milliseconds patience = kHandOffPatience);
