#include "settings/ByteText.h"

#include <cstdint>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;
constexpr char16_t kEscapeFirst = 0xDC80;
constexpr char16_t kEscapeLast = 0xDCFF;
constexpr char32_t kReplacement = 0xFFFD;

// Length of the valid UTF-8 sequence at `at`, or 0 when the byte there starts none. The
// ranges are those of the Unicode standard's table of well-formed sequences: no overlong
// forms, no encoded surrogates, nothing above U+10FFFF.
int validSequenceLength(const unsigned char* bytes, qsizetype at, qsizetype size) {
  const unsigned char lead = bytes[at];
  if (lead < 0x80) return 1;
  int length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (size - at < length) return 0;
  if (bytes[at + 1] < low || bytes[at + 1] > high) return 0;
  for (int i = 2; i < length; ++i) {
    if (bytes[at + i] < 0x80 || bytes[at + i] > 0xBF) return 0;
  }
  return length;
}

char32_t decodeSequence(const unsigned char* bytes, int length) {
  if (length == 1) return bytes[0];
  static constexpr unsigned char kLeadMask[] = {0, 0, 0x1F, 0x0F, 0x07};
  char32_t code = bytes[0] & kLeadMask[length];
  for (int i = 1; i < length; ++i) code = (code << 6) | (bytes[i] & 0x3F);
  return code;
}

void appendUtf8(QByteArray& out, char32_t code) {
  if (code < 0x80) {
    out.append(static_cast<char>(code));
  } else if (code < 0x800) {
    out.append(static_cast<char>(0xC0 | (code >> 6)));
    out.append(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.append(static_cast<char>(0xE0 | (code >> 12)));
    out.append(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.append(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.append(static_cast<char>(0xF0 | (code >> 18)));
    out.append(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.append(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.append(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace

QString textFromBytes(const QByteArray& bytes) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
  const qsizetype size = bytes.size();
  QString text;
  text.reserve(size);
  qsizetype at = 0;
  while (at < size) {
    const int length = validSequenceLength(data, at, size);
    if (length == 0) {
      text.append(QChar(static_cast<char16_t>(kEscapeBase + data[at])));
      ++at;
      continue;
    }
    const char32_t code = decodeSequence(data + at, length);
    if (code >= 0x10000) {
      text.append(QChar(QChar::highSurrogate(code)));
      text.append(QChar(QChar::lowSurrogate(code)));
    } else {
      text.append(QChar(static_cast<char16_t>(code)));
    }
    at += length;
  }
  return text;
}

QByteArray bytesFromText(const QString& text) {
  QByteArray out;
  out.reserve(text.size() + text.size() / 2);
  const qsizetype size = text.size();
  for (qsizetype i = 0; i < size; ++i) {
    const char16_t unit = text.at(i).unicode();
    if (unit >= kEscapeFirst && unit <= kEscapeLast) {
      out.append(static_cast<char>(unit - kEscapeBase));
    } else if (QChar::isHighSurrogate(unit) && i + 1 < size && text.at(i + 1).isLowSurrogate()) {
      appendUtf8(out, QChar::surrogateToUcs4(unit, text.at(i + 1).unicode()));
      ++i;
    } else if (QChar::isSurrogate(unit)) {
      appendUtf8(out, kReplacement);
    } else {
      appendUtf8(out, unit);
    }
  }
  return out;
}

QString textFromLocalFileUrl(const QUrl& url) {
  QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  const QString host = url.host(QUrl::FullyEncoded);
  if (!host.isEmpty()) bytes.prepend("//" + host.toLatin1());
  return textFromBytes(bytes);
}
