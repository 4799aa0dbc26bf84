#pragma once

// Lossless conversion between the raw bytes of files and paths and the QString the window
// works with. Valid UTF-8 is decoded as usual; every byte that is not part of valid UTF-8
// becomes the lone surrogate U+DC80 + byte, so text from a file written in another 8-bit
// encoding travels through the playlist and back to disk unchanged. Any thread.

#include <QByteArray>
#include <QString>
#include <QUrl>

QString textFromBytes(const QByteArray& bytes);

// The exact inverse of textFromBytes. A surrogate outside U+DC80..U+DCFF that is not part of
// a pair cannot come from textFromBytes; it is written as U+FFFD.
QByteArray bytesFromText(const QString& text);

// The path of a local file's URL (a drop, a file dialog, the media controls) as text, every
// byte kept: a URL carries the bytes of a name percent-encoded, and those that are not UTF-8
// become lone surrogates as above, where QUrl::toLocalFile would replace them. A URL with a
// host names "//host/path", as QUrl::toLocalFile has it.
QString textFromLocalFileUrl(const QUrl& url);
