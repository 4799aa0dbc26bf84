#pragma once

// The media service's commands (ui/MprisService.h) bound to the player: the transport, seeks,
// the volume, a file to open, and the description of what plays. Only raising the window and
// quitting reach the window, through the two functions it gives. A command that fails shows
// the window's error box, as the same command from the window would. GUI thread only.

#include <functional>

#include "ui/MprisService.h"

class Player;
class QWidget;

// `errorBoxParent` is the window over which a failing command's error box opens.
MprisHooks mediaHooks(Player& player, QWidget* errorBoxParent, std::function<void()> raise,
                      std::function<void()> quit);
