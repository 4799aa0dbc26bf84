#pragma once

// The parsed content of an INI file, line by line. Lines are kept as raw bytes with their
// own line endings, so serialize() gives back the parsed bytes exactly until something is
// changed, and a change touches only the lines it must. Names are compared as case-folded
// text (settings/ByteText.h decodes them). Values are raw bytes: the caller decodes them.
// Pure data, no I/O; any thread, one at a time.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class IniDocument {
 public:
  static IniDocument parse(const QByteArray& bytes);
  QByteArray serialize() const;

  // The value of the first `key` in the first section called `section`: the text after "="
  // with surrounding blanks and one pair of enclosing quotes removed. Empty when missing.
  std::optional<QByteArray> value(const QString& section, const QString& key) const;
  QStringList keys(const QString& section) const;

  // Sets the value, adding the key (at the end of the section) or the section (at the end of
  // the file) when missing. A value that would not read back as written (surrounding blanks,
  // enclosing quotes) is written inside quotes; a line feed, which would split the line and
  // could forge other keys, is written as a space. Returns whether the bytes changed.
  bool setValue(const QString& section, const QString& key, const QByteArray& value);
  // Removes every section called `section` with all its lines. Returns whether any was.
  bool eraseSection(const QString& section);

 private:
  struct Line {
    QByteArray text;  // without the line ending
    QByteArray ending;  // "\n", "\r\n", or empty for a last line without one
  };
  struct Section {
    Line header;
    QString foldedName;
    std::vector<Line> lines;
    QHash<QString, int> firstKeyLine;  // case-folded key name -> index into lines
  };

  const Section* findSection(const QString& foldedName) const;
  Section* findSection(const QString& foldedName);
  Line* lastLine();

  std::vector<Line> preamble_;  // lines before the first section
  std::vector<Section> sections_;
  QByteArray defaultEnding_ = "\n";
};
