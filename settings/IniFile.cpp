#include "settings/IniFile.h"

#include <sys/stat.h>

#include <QFile>
#include <optional>

#include "settings/AtomicFile.h"
#include "settings/ByteText.h"
#include "settings/IniDocument.h"

namespace {

// The value of `c` as a digit in `base` (10 or 16), or -1 when it is none.
int digitValue(QChar c, int base) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (base == 16 && u >= u'a' && u <= u'f') return u - u'a' + 10;
  if (base == 16 && u >= u'A' && u <= u'F') return u - u'A' + 10;
  return -1;
}

// Reads an integer the way the profile layer always has: leading blanks, an optional sign,
// then decimal digits, or hexadecimal digits after "$", "0x" or "0X"; nothing may follow.
// Hexadecimal takes up to 32 bits and wraps into the signed range ("$FFFFFFFF" is -1);
// decimal must fit the signed range.
std::optional<int32_t> parseInteger(const QString& text) {
  qsizetype at = 0;
  while (at < text.size() && (text[at] == u' ' || text[at] == u'\t')) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) {
    negative = text[at] == u'-';
    ++at;
  }
  int base = 10;
  if (text.mid(at, 1) == u"$") {
    base = 16;
    at += 1;
  } else if (text.mid(at, 2).compare(u"0x", Qt::CaseInsensitive) == 0) {
    base = 16;
    at += 2;
  }
  if (at >= text.size()) return std::nullopt;
  const uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 2147483648u : 2147483647u);
  uint64_t magnitude = 0;
  for (; at < text.size(); ++at) {
    const int digit = digitValue(text[at], base);
    if (digit < 0) return std::nullopt;
    magnitude = magnitude * base + static_cast<uint64_t>(digit);
    if (magnitude > limit) return std::nullopt;
  }
  const auto bits = static_cast<uint32_t>(negative ? (0 - magnitude) : magnitude);
  return static_cast<int32_t>(bits);
}

QString limitedValue(const QByteArray& bytes) {
  QString text = textFromBytes(bytes);
  if (text.size() > IniFile::kMaxValueLength) {
    qsizetype length = IniFile::kMaxValueLength;
    // Never keep half of a surrogate pair.
    if (text.at(length - 1).isHighSurrogate() && text.at(length).isLowSurrogate()) --length;
    text.truncate(length);
  }
  return text;
}

}  // namespace

// What identifies one version of the file on disk. A replacement by rename changes the
// inode; a write in place changes the size or the change time.
struct IniFile::DiskStamp {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};

  static DiskStamp of(const QString& path) {
    DiskStamp stamp;
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return stamp;
    stamp.exists = true;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modified = info.st_mtim;
    stamp.changed = info.st_ctim;
    return stamp;
  }

  bool operator==(const DiskStamp& other) const {
    return exists == other.exists && device == other.device && inode == other.inode &&
           size == other.size && modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec && changed.tv_sec == other.changed.tv_sec &&
           changed.tv_nsec == other.changed.tv_nsec;
  }
};

IniWriteError::IniWriteError(const QString& path)
    : std::runtime_error(QStringLiteral("Unable to write to %1").arg(path).toUtf8().toStdString()) {}

IniFile::IniFile(const QString& path) : path_(path) {}

IniFile::~IniFile() = default;

IniDocument& IniFile::document() {
  if (inBatch_ && document_) return *document_;
  DiskStamp stamp = DiskStamp::of(path_);
  if (document_ && stamp_ && *stamp_ == stamp) return *document_;
  QByteArray bytes;
  unreadable_ = false;
  if (stamp.exists) {
    QFile file(path_);
    if (file.open(QIODevice::ReadOnly)) {
      bytes = file.readAll();
    } else {
      unreadable_ = true;
    }
  }
  document_ = std::make_unique<IniDocument>(IniDocument::parse(bytes));
  stamp_ = std::make_unique<DiskStamp>(stamp);
  return *document_;
}

void IniFile::forget() {
  document_.reset();
  stamp_.reset();
}

void IniFile::changed() {
  if (inBatch_) {
    dirty_ = true;
    return;
  }
  save();
}

void IniFile::save() {
  // A file that exists but cannot be read would lose everything the program did not write.
  if (unreadable_ || !replaceFileAtomically(path_, document_->serialize())) {
    forget();
    throw IniWriteError(path_);
  }
  stamp_ = std::make_unique<DiskStamp>(DiskStamp::of(path_));
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) {
  const std::optional<QByteArray> value = document().value(section, key);
  return value ? limitedValue(*value) : defaultValue;
}

QString IniFile::ReadWholeString(const QString& section, const QString& key, const QString& defaultValue) {
  const std::optional<QByteArray> value = document().value(section, key);
  return value ? textFromBytes(*value) : defaultValue;
}

int32_t IniFile::ReadInteger(const QString& section, const QString& key, int32_t defaultValue) {
  const std::optional<QByteArray> value = document().value(section, key);
  if (!value) return defaultValue;
  return parseInteger(limitedValue(*value)).value_or(defaultValue);
}

bool IniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

QStringList IniFile::ReadSectionKeys(const QString& section) { return document().keys(section); }

void IniFile::WriteString(const QString& section, const QString& key, const QString& value) {
  if (document().setValue(section, key, bytesFromText(value))) changed();
}

void IniFile::WriteInteger(const QString& section, const QString& key, int32_t value) {
  WriteString(section, key, QString::number(value));
}

void IniFile::WriteBool(const QString& section, const QString& key, bool value) {
  WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::EraseSection(const QString& section) {
  if (document().eraseSection(section)) changed();
}

IniFile::Batch::Batch(IniFile& file) : file_(file) {
  if (file_.inBatch_) throw std::logic_error("IniFile batches do not nest");
  file_.document();
  file_.inBatch_ = true;
  file_.dirty_ = false;
}

IniFile::Batch::~Batch() {
  if (!open_) return;
  file_.inBatch_ = false;
  if (file_.dirty_) {
    file_.dirty_ = false;
    file_.forget();
  }
}

void IniFile::Batch::commit() {
  if (!open_) return;
  open_ = false;
  file_.inBatch_ = false;
  if (!file_.dirty_) return;
  file_.dirty_ = false;
  file_.save();
}
