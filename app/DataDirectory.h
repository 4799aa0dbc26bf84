#pragma once

// The folder that holds PLIST.LST and Config.ini: beside the executable, or with the build
// option TEMBR_XDG_CONFIG in the user's configuration folder. Main thread, at start.

#include <QString>

// The folder of the running executable, symbolic links resolved.
QString executableDirectory();

// $XDG_CONFIG_HOME/tembr, or ~/.config/tembr when that variable is unset or not an absolute
// path; made if missing.
QString configDirectory();

// The one the build chose of the two above.
QString dataDirectory();
