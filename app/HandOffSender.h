#pragma once

// The second start's side of the hand-off: one synchronous message to the running player.
// Plain POSIX sockets, so that a second start needs no application object and no window.

#include <QString>
#include <chrono>
#include <string_view>

inline constexpr std::chrono::milliseconds kHandOffSendTimeout{5000};

enum class HandOffResult {
  Delivered,     // the running player handled the block and acknowledged it
  NoListener,    // nobody listens on the socket: nothing was delivered
  Refused,       // the argument is too long to be accepted, or the player dropped the block
  NoAnswer,      // the player did not take or acknowledge the block in time
};

// Connects to the socket at `socketPath`, sends `argument` as one hand-off frame and waits,
// for at most `timeout` in all, until the receiver acknowledges it. Never raises SIGPIPE.
HandOffResult sendHandOff(const QString& socketPath, std::string_view argument,
                          std::chrono::milliseconds timeout = kHandOffSendTimeout);
