#pragma once

// An INI file read and written with the classic profile rules:
// - "[name]" opens a section; each following "key=value" line belongs to it. Section and key
//   names match without regard to case; the first match wins.
// - A value is the text after the first "=" with surrounding blanks removed, and one pair of
//   enclosing quotes (" or ') removed; at most kMaxValueLength characters of it are read,
//   unless it is read whole.
// - Integers are decimal, or hexadecimal after "0x", "0X" or "$"; a missing or malformed
//   value gives the default. A boolean is true when its value reads as a number other than 0.
// - Writing a key of a missing section appends the section to the end of the file, so a
//   section that was erased and written again moves to the end.
//
// Every line the program does not change keeps its bytes, its line ending included; bytes
// that are not UTF-8 reach the caller as lone surrogates (settings/ByteText.h) and go back to
// disk unchanged.
//
// Every write replaces the file whole and atomically (a temporary file beside it, synced to
// disk, then renamed over it), so a crash at any moment leaves either the old or the new
// file. A write that cannot be done throws IniWriteError. Several writes can be grouped into
// one replacement with IniFile::Batch.
//
// The parsed content is kept in memory and read again only when the file on disk changes.
// One thread at a time (the GUI thread).

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <stdexcept>

class IniDocument;

// What() is "Unable to write to <full path>", in UTF-8.
class IniWriteError : public std::runtime_error {
 public:
  explicit IniWriteError(const QString& path);
};

class IniFile {
 public:
  static constexpr int kMaxValueLength = 2047;

  // Opens nothing and creates nothing; a missing file reads as empty.
  explicit IniFile(const QString& path);
  ~IniFile();
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

  QString path() const { return path_; }

  QString ReadString(const QString& section, const QString& key, const QString& defaultValue);
  // The value whole, however long: for values such as paths, which a cut would turn into
  // the name of another file.
  QString ReadWholeString(const QString& section, const QString& key, const QString& defaultValue);
  int32_t ReadInteger(const QString& section, const QString& key, int32_t defaultValue);
  bool ReadBool(const QString& section, const QString& key, bool defaultValue);
  // Names of the keys of the first section called `section`, in file order.
  QStringList ReadSectionKeys(const QString& section);

  void WriteString(const QString& section, const QString& key, const QString& value);
  void WriteInteger(const QString& section, const QString& key, int32_t value);
  void WriteBool(const QString& section, const QString& key, bool value);
  // Removes every section called `section`, with its keys.
  void EraseSection(const QString& section);

  // Groups the operations made while it lives into one step. Reads see one version of the
  // file without asking the disk again; writes become one atomic replacement of the file,
  // done by commit(). A batch that goes away uncommitted (an exception on the way) drops its
  // writes: the file keeps its previous content. Batches do not nest.
  class Batch {
   public:
    explicit Batch(IniFile& file);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
    // Writes the file if anything changed; throws IniWriteError when it cannot.
    void commit();

   private:
    IniFile& file_;
    bool open_ = true;
  };

 private:
  struct DiskStamp;

  IniDocument& document();
  void changed();
  void save();
  void forget();

  QString path_;
  std::unique_ptr<IniDocument> document_;
  std::unique_ptr<DiskStamp> stamp_;
  bool unreadable_ = false;
  bool inBatch_ = false;
  bool dirty_ = false;
};
