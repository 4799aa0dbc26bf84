#pragma once

// The faces the window was designed with do not exist on Linux; these are the nearest
// installed faces with Cyrillic glyphs, at the design pixel heights.

#include <QFont>

namespace SkinFonts {

// The window's font: "MS Sans Serif", 11 pixels, drawn with a metric-compatible sans face.
QFont windowFont();
// The hints' font: "Tahoma", 11 pixels, drawn with a wide, clear sans face.
QFont hintFont();
// Makes the design face names resolve to the installed faces wherever they are asked for.
void registerSubstitutes();

}  // namespace SkinFonts
