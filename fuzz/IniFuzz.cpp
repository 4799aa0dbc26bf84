// libFuzzer target for the INI parser and the playlist load. Any input must parse, give its
// bytes back unchanged, keep a written value readable, and load as a bounded playlist that a
// save and a second load reproduce.

#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "playlist/PlaylistFile.h"
#include "settings/ByteText.h"
#include "settings/IniDocument.h"
#include "settings/IniFile.h"

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

void checkDocument(const QByteArray& bytes) {
  IniDocument document = IniDocument::parse(bytes);
  require(document.serialize() == bytes);
  (void)document.value(QStringLiteral("PList_1"), QStringLiteral("FileCount"));

  const QByteArray value = bytes.left(64).replace('\n', ' ');
  document.setValue(QStringLiteral("PList_1"), QStringLiteral("File_ID1"), value);
  require(document.value(QStringLiteral("PList_1"), QStringLiteral("File_ID1")) == value);
  const IniDocument reparsed = IniDocument::parse(document.serialize());
  require(reparsed.value(QStringLiteral("PList_1"), QStringLiteral("File_ID1")) == value);

  document.eraseSection(QStringLiteral("PList_1"));
  require(!document.value(QStringLiteral("PList_1"), QStringLiteral("File_ID1")).has_value());
}

void checkPlaylist(const QByteArray& bytes) {
  static const QString path = QDir::temp().filePath(QStringLiteral("ini-fuzz-%1.lst").arg(::getpid()));
  {
    QFile file(path);
    require(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
  }
  IniFile ini(path);
  const QStringList entries = PlaylistFile(ini).load();
  PlaylistFile(ini).save(entries, QStringLiteral("0:00:00"));
  IniFile again(path);
  require(PlaylistFile(again).load() == entries);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  checkDocument(bytes);
  checkPlaylist(bytes);
  return 0;
}
