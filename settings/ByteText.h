#pragma once

// Lossless conversion between the raw bytes of files and paths and the QString the window
// works with. Valid UTF-8 is decoded as usual; every byte that is not part of valid UTF-8
// becomes the lone surrogate U+DC80 + byte, so text from a file written in another 8-bit
// encoding travels through the playlist and back to disk unchanged. Any thread.

#include <QByteArray>
#include <QString>

QString textFromBytes(const QByteArray& bytes);

// The exact inverse of textFromBytes. A surrogate outside U+DC80..U+DCFF that is not part of
// a pair cannot come from textFromBytes; it is written as U+FFFD.
QByteArray bytesFromText(const QString& text);
