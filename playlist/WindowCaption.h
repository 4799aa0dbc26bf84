#pragma once

// The caption that the window system is given for the entry that plays. An entry keeps every
// byte of its text, but a caption of megabytes (a playlist line can hold anything) would break
// the window system's connection: a longer text is shortened in its middle, where a long name
// differs least from its neighbours. GUI thread; Qt Core only.

#include <QString>

inline constexpr qsizetype kMaxCaptionCharacters = 300;

// `text` as it is when it has at most kMaxCaptionCharacters characters; otherwise its start
// and its end with "…" between them, kMaxCaptionCharacters in all, never splitting a
// character that takes two UTF-16 units.
QString shortenedCaption(const QString& text);
