#include "settings/IniDocument.h"

#include "settings/ByteText.h"

namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\x1A';
}

QByteArray trimmed(const QByteArray& bytes) {
  qsizetype begin = 0;
  qsizetype end = bytes.size();
  while (begin < end && isBlank(bytes[begin])) ++begin;
  while (end > begin && isBlank(bytes[end - 1])) --end;
  return bytes.mid(begin, end - begin);
}

QString folded(const QString& name) { return name.toCaseFolded(); }
QString foldedBytes(const QByteArray& name) { return textFromBytes(name).toCaseFolded(); }

bool isQuote(char c) { return c == '"' || c == '\''; }

QByteArray withoutQuotes(const QByteArray& value) {
  if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front()) {
    return value.mid(1, value.size() - 2);
  }
  return value;
}

// The line's text with a leading byte-order mark set aside (only the first line has one).
QByteArray contentOf(const QByteArray& text, bool firstLine) {
  if (firstLine && text.startsWith(kUtf8Bom)) return text.mid(3);
  return text;
}

// The section name of a header line "[name]", or nothing when the line is no header.
std::optional<QByteArray> headerName(const QByteArray& content) {
  const QByteArray line = trimmed(content);
  if (!line.startsWith('[')) return std::nullopt;
  const qsizetype close = line.lastIndexOf(']');
  if (close < 0) return std::nullopt;
  return trimmed(line.mid(1, close - 1));
}

// The key name of a "key=value" line, or nothing when the line holds no "=".
std::optional<QByteArray> keyName(const QByteArray& text) {
  const qsizetype equals = text.indexOf('=');
  if (equals < 0) return std::nullopt;
  return trimmed(text.left(equals));
}

QByteArray valueOf(const QByteArray& text) {
  return withoutQuotes(trimmed(text.mid(text.indexOf('=') + 1)));
}

// The bytes to store so that valueOf gives back `value`.
QByteArray storedValue(const QByteArray& value) {
  QByteArray stored = value;
  stored.replace('\n', ' ');
  const bool needsQuotes =
      !stored.isEmpty() && (isBlank(stored.front()) || isBlank(stored.back()) ||
                            (stored.size() >= 2 && isQuote(stored.front()) && stored.back() == stored.front()));
  if (needsQuotes) return '"' + stored + '"';
  return stored;
}

}  // namespace

IniDocument IniDocument::parse(const QByteArray& bytes) {
  IniDocument document;
  bool endingFound = false;
  qsizetype at = 0;
  while (at < bytes.size()) {
    const qsizetype newline = bytes.indexOf('\n', at);
    Line line;
    if (newline < 0) {
      line.text = bytes.mid(at);
      at = bytes.size();
    } else {
      line.text = bytes.mid(at, newline - at);
      line.ending = "\n";
      if (line.text.endsWith('\r')) {
        line.text.chop(1);
        line.ending = "\r\n";
      }
      at = newline + 1;
    }
    if (!endingFound && !line.ending.isEmpty()) {
      document.defaultEnding_ = line.ending;
      endingFound = true;
    }
    const bool firstLine = document.preamble_.empty() && document.sections_.empty();
    const QByteArray content = contentOf(line.text, firstLine);
    if (const auto name = headerName(content)) {
      Section section;
      section.foldedName = foldedBytes(*name);
      section.header = std::move(line);
      document.sections_.push_back(std::move(section));
      continue;
    }
    if (document.sections_.empty()) {
      document.preamble_.push_back(std::move(line));
      continue;
    }
    Section& section = document.sections_.back();
    if (const auto key = keyName(content)) {
      const QString name = foldedBytes(*key);
      if (!section.firstKeyLine.contains(name)) {
        section.firstKeyLine.insert(name, static_cast<int>(section.lines.size()));
      }
    }
    section.lines.push_back(std::move(line));
  }
  return document;
}

QByteArray IniDocument::serialize() const {
  qsizetype size = 0;
  auto measure = [&size](const Line& line) { size += line.text.size() + line.ending.size(); };
  for (const Line& line : preamble_) measure(line);
  for (const Section& section : sections_) {
    measure(section.header);
    for (const Line& line : section.lines) measure(line);
  }
  QByteArray bytes;
  bytes.reserve(size);
  auto append = [&bytes](const Line& line) { bytes.append(line.text).append(line.ending); };
  for (const Line& line : preamble_) append(line);
  for (const Section& section : sections_) {
    append(section.header);
    for (const Line& line : section.lines) append(line);
  }
  return bytes;
}

const IniDocument::Section* IniDocument::findSection(const QString& foldedName) const {
  for (const Section& section : sections_) {
    if (section.foldedName == foldedName) return &section;
  }
  return nullptr;
}

IniDocument::Section* IniDocument::findSection(const QString& foldedName) {
  for (Section& section : sections_) {
    if (section.foldedName == foldedName) return &section;
  }
  return nullptr;
}

std::optional<QByteArray> IniDocument::value(const QString& section, const QString& key) const {
  const Section* found = findSection(folded(section));
  if (found == nullptr) return std::nullopt;
  const auto line = found->firstKeyLine.constFind(folded(key));
  if (line == found->firstKeyLine.cend()) return std::nullopt;
  return valueOf(found->lines[*line].text);
}

QStringList IniDocument::keys(const QString& section) const {
  QStringList names;
  const Section* found = findSection(folded(section));
  if (found == nullptr) return names;
  for (const Line& line : found->lines) {
    if (const auto key = keyName(line.text)) names << textFromBytes(*key);
  }
  return names;
}

IniDocument::Line* IniDocument::lastLine() {
  if (!sections_.empty()) {
    Section& section = sections_.back();
    return section.lines.empty() ? &section.header : &section.lines.back();
  }
  return preamble_.empty() ? nullptr : &preamble_.back();
}

bool IniDocument::setValue(const QString& section, const QString& key, const QByteArray& value) {
  const QByteArray stored = storedValue(value);
  Section* found = findSection(folded(section));
  if (found == nullptr) {
    if (Line* last = lastLine(); last != nullptr && last->ending.isEmpty()) last->ending = defaultEnding_;
    Section added;
    added.header = Line{'[' + bytesFromText(section) + ']', defaultEnding_};
    added.foldedName = folded(section);
    sections_.push_back(std::move(added));
    found = &sections_.back();
  }
  const QString foldedKey = folded(key);
  if (const auto line = found->firstKeyLine.constFind(foldedKey); line != found->firstKeyLine.cend()) {
    Line& existing = found->lines[*line];
    // The key keeps the spelling it has in the file.
    const QByteArray text = *keyName(existing.text) + '=' + stored;
    if (text == existing.text) return false;
    existing.text = text;
    return true;
  }
  // A new key goes after the section's last non-blank line, before the blank lines that
  // usually separate it from the next section.
  qsizetype position = static_cast<qsizetype>(found->lines.size());
  while (position > 0 && trimmed(found->lines[position - 1].text).isEmpty()) --position;
  Line& before = position > 0 ? found->lines[position - 1] : found->header;
  if (before.ending.isEmpty()) before.ending = defaultEnding_;
  found->lines.insert(found->lines.begin() + position,
                      Line{bytesFromText(key) + '=' + stored, defaultEnding_});
  // Only blank lines can follow the new one, so no other key moved.
  found->firstKeyLine.insert(foldedKey, static_cast<int>(position));
  return true;
}

bool IniDocument::eraseSection(const QString& section) {
  const QString name = folded(section);
  const auto removed = std::erase_if(sections_, [&name](const Section& s) { return s.foldedName == name; });
  return removed > 0;
}
