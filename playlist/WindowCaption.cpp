#include "playlist/WindowCaption.h"

namespace {

const QChar kEllipsis(0x2026);

}  // namespace

QString shortenedCaption(const QString& text) {
  if (text.size() <= kMaxCaptionCharacters) return text;
  const qsizetype kept = kMaxCaptionCharacters - 1;
  qsizetype head = kept / 2;
  qsizetype tailStart = text.size() - (kept - head);
  // A cut between the two halves of a surrogate pair moves out of the pair.
  if (head > 0 && text.at(head - 1).isHighSurrogate()) --head;
  if (text.at(tailStart).isLowSurrogate()) ++tailStart;
  return text.left(head) + kEllipsis + text.mid(tailStart);
}
