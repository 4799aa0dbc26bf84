// The playlist as a model: entries read outside the list, and every entry kept unchanged
// through PLIST.LST.

#include <gtest/gtest.h>

#include <QRegularExpression>

#include "playlist/Playlist.h"
#include "settings/ByteText.h"
#include "settings/IniFile.h"
#include "tests/support/TestFiles.h"

namespace {

TEST(Playlist, AnEntryOutsideTheListRaisesTheListIndexError) {
  Playlist playlist;
  playlist.append(QStringList{"/a", "/b"});
  EXPECT_EQ(playlist.entry(1), "/b");
  for (int k : {-1, 2, 100}) {
    try {
      playlist.entry(k);
      ADD_FAILURE() << "no error for " << k;
    } catch (const ListIndexError& error) {
      EXPECT_EQ(QString::fromUtf8(error.what()), QString("List index out of bounds (%1)").arg(k));
    }
  }
}

TEST(Playlist, SavesAndLoadsEveryEntryUnchanged) {
  TempFolder folder;
  const QString foreign = textFromBytes("/music/\xCF\xE5\xF1\xED\xFF.mp3");
  const QString longPath = "/music/" + QString(300, u'd') + "/" + QString(2100, u'f') + ".ogg";
  const QStringList entries = {foreign, "", "/music/a.mp3", longPath, "/music/folder", "/music/a.mp3"};
  Playlist playlist;
  playlist.append(entries);
  IniFile file(folder.file("PLIST.LST"));
  playlist.SavePlaylist(file);

  const QByteArray saved = folder.read("PLIST.LST");
  EXPECT_TRUE(saved.contains("\nFile_ID1=/music/\xCF\xE5\xF1\xED\xFF.mp3\n")) << saved.left(200).constData();
  EXPECT_TRUE(saved.contains("\nFileCount=6\n"));
  // The time of the save: hours, minutes and seconds, no date and no zone.
  const QString time = IniFile(folder.file("PLIST.LST")).ReadString("Time", "Write time", {});
  EXPECT_TRUE(QRegularExpression("^\\D*\\d{1,2}\\D\\d{2}\\D\\d{2}\\D*$").match(time).hasMatch()) << time.toStdString();
  EXPECT_FALSE(time.contains("UTC"));

  Playlist again;
  IniFile reread(folder.file("PLIST.LST"));
  again.load(reread);
  EXPECT_EQ(again.entries(), entries);
}

}  // namespace
