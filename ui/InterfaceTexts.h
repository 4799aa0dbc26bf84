#pragma once

// The Russian texts of the window. It is designed with English and transliterated texts; at
// start thirty of them, hints, captions and menu captions, are replaced once, and every other
// text keeps its design form for the whole run. GUI thread only.

namespace Ui {
class TForm1;
}
struct WindowMenus;

// Replaces the thirty texts, each once, in a fixed order.
void LocalizeInterface(Ui::TForm1& form, const WindowMenus& menus);
