#pragma once

// The playlist's file, PLIST.LST: section "PList_1" holds "FileCount" and the entries under
// "File_ID1" … "File_IDn"; section "Time" holds "Write time", the time of day of the last
// save (written, never read). Entries are texts as settings/ByteText.h decodes them, so
// paths that are not UTF-8 load and save unchanged. GUI thread.

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTime>

class IniFile;

class PlaylistFile {
 public:
  // The entry that a missing "File_ID" key reads as ("read error").
  static const QString kMissingEntry;

  explicit PlaylistFile(IniFile& ini) : ini_(ini) {}

  // The entries in list order; empty when the file, the section or a positive count is
  // missing.
  QStringList load();

  // Replaces the file's playlist with `entries` and stamps it with `writeTime`, in one
  // atomic replacement of the file. Throws IniWriteError when the file cannot be written.
  void save(const QStringList& entries, const QString& writeTime);

  // `time` in the locale's long time format without the time zone: hours, minutes and
  // seconds with the locale's separators.
  static QString timeOfDayText(const QTime& time, const QLocale& locale);

 private:
  int highestEntryKey();

  IniFile& ini_;
};
