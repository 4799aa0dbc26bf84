#include "playlist/PlaylistFile.h"

#include <algorithm>

#include "settings/IniFile.h"

namespace {

const QString kSection = QStringLiteral("PList_1");
const QString kCountKey = QStringLiteral("FileCount");
const QString kEntryKeyPrefix = QStringLiteral("File_ID");
const QString kTimeSection = QStringLiteral("Time");
const QString kTimeKey = QStringLiteral("Write time");

// A count may exceed the entries present; the missing ones load as kMissingEntry. Beyond
// the last entry present only this many are made up, so that a damaged count such as
// 0x7FFFFFFF cannot fill memory with billions of them.
constexpr int kMaxMissingEntriesAtEnd = 1000;

QString entryKey(int number) { return kEntryKeyPrefix + QString::number(number); }

}  // namespace

const QString PlaylistFile::kMissingEntry = QStringLiteral("Ошибка чтения");

int PlaylistFile::highestEntryKey() {
  int highest = 0;
  for (const QString& key : ini_.ReadSectionKeys(kSection)) {
    if (!key.startsWith(kEntryKeyPrefix, Qt::CaseInsensitive)) continue;
    const QString digits = key.mid(kEntryKeyPrefix.size());
    bool ok = false;
    const int number = digits.toInt(&ok);
    // Only keys spelled as entryKey spells them are ever read.
    if (ok && number > 0 && digits == QString::number(number)) highest = std::max(highest, number);
  }
  return highest;
}

QStringList PlaylistFile::load() {
  // One version of the file for all the reads, and no look at the disk for each of them.
  IniFile::Batch snapshot(ini_);
  int count = ini_.ReadInteger(kSection, kCountKey, 0);
  QStringList entries;
  if (count <= 0) return entries;
  const int highest = highestEntryKey();
  if (count - highest > kMaxMissingEntriesAtEnd) count = highest + kMaxMissingEntriesAtEnd;
  entries.reserve(count);
  for (int number = 1; number <= count; ++number) {
    // An entry is a path, and a path cut short names another file.
    entries << ini_.ReadWholeString(kSection, entryKey(number), kMissingEntry);
  }
  return entries;
}

void PlaylistFile::save(const QStringList& entries, const QString& writeTime) {
  IniFile::Batch batch(ini_);
  ini_.EraseSection(kSection);
  ini_.WriteInteger(kSection, kCountKey, static_cast<int32_t>(entries.size()));
  for (int index = 0; index < entries.size(); ++index) {
    ini_.WriteString(kSection, entryKey(index + 1), entries[index]);
  }
  ini_.WriteString(kTimeSection, kTimeKey, writeTime);
  batch.commit();
}

QString PlaylistFile::timeOfDayText(const QTime& time, const QLocale& locale) {
  // The long format may name the time zone ("t" … "tttt"); the file stores the time alone.
  const QString format = locale.timeFormat(QLocale::LongFormat);
  QString withoutZone;
  bool quoted = false;
  for (const QChar c : format) {
    if (c == u'\'') quoted = !quoted;
    if (!quoted && c == u't') continue;
    withoutZone.append(c);
  }
  return locale.toString(time, withoutZone.trimmed());
}
