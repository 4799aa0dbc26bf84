// The playlist as the window runs it: loading at start, the ways entries are added and
// removed, the save at shutdown and the hand-off from a second start.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QMimeData>
#include <QRegularExpression>
#include <QTimer>
#include <functional>

#include "playlist/Player.h"
#include "playlist/Playlist.h"
#include "settings/ByteText.h"
#include "settings/IniFile.h"
#include "tests/audio/support/AudioFixtures.h"
#include "tests/playlist/StartedWindow.h"
#include "tests/settings/ReadOnlyFile.h"
#include "tests/support/TestFiles.h"

namespace {

QString toneFile(const std::string& name) {
  return QString::fromStdString(fixtures::writeSineWav(name, 44100, 2, 440.0, 0.2));
}

QByteArray playlistFile(const QList<QByteArray>& entries) {
  QByteArray file = "[PList_1]\nFileCount=" + QByteArray::number(entries.size()) + "\n";
  for (int k = 0; k < entries.size(); ++k) file += "File_ID" + QByteArray::number(k + 1) + "=" + entries[k] + "\n";
  return file;
}

QStringList entriesOf(TForm1& form) {
  QStringList entries;
  for (int row = 0; row < form.playlist().count(); ++row) entries << form.playlist().entry(row);
  return entries;
}

// Runs `act` on the modal dialog once it is open.
void onModalDialog(std::function<void(QFileDialog&)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(*dialog);
  });
}

TEST(PlaylistWindow, StartsWithTheSavedListAndOpensTheFirstEntryWithoutPlaying) {
  TempFolder folder;
  EXPECT_EQ(startWindow(folder.path())->playlist().count(), 0);
  const QString first = toneFile("first.wav");
  folder.write("PLIST.LST", playlistFile({first.toUtf8(), "/nowhere/second.mp3"}));
  auto form = startWindow(folder.path());
  EXPECT_EQ(entriesOf(*form), (QStringList{first, "/nowhere/second.mp3"}));
  EXPECT_EQ(form->player().CurrentFile(), first);
  EXPECT_EQ(form->playlist().selection(), 0);
  EXPECT_EQ(form->player().CurrentIndex(), 0);
  EXPECT_NE(form->player().Track()->Stream, 0u);
  EXPECT_EQ(form->player().Track()->State, PlayState::Stopped);
}

TEST(PlaylistWindow, OpensAnEntryWhoseNameIsNotUtf8FromTheFileOrADrop) {
  TempFolder folder;
  const QByteArray name = QFile::encodeName(folder.path()) + "/\xCF\xE5\xF1\xED\xFF.wav";
  ASSERT_EQ(::rename(fixtures::writeSineWav("cp1251.wav", 44100, 2, 440.0, 0.2).c_str(), name.constData()), 0);
  folder.write("PLIST.LST", playlistFile({name}));
  auto form = startWindow(folder.path());
  EXPECT_EQ(bytesFromText(form->player().CurrentFile()), name);
  EXPECT_NE(form->player().Track()->Stream, 0u);

  // A file manager drops the name's bytes percent-encoded.
  QMimeData dropped;
  dropped.setUrls({QUrl::fromEncoded("file://" + name.toPercentEncoding("/"))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(form.get(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(form.get(), &drop);
  ASSERT_EQ(form->playlist().count(), 2);
  EXPECT_EQ(bytesFromText(form->playlist().entry(1)), name);
  const audio::StreamHandle first = form->player().Track()->Stream;
  form->playlist().select(1);
  form->ListBox1Click();
  finishStart(*form);
  EXPECT_NE(form->player().Track()->Stream, first);
  EXPECT_NE(form->player().Track()->Stream, 0u);
}

TEST(PlaylistWindow, SavesAndLoadsEveryEntryUnchanged) {
  TempFolder folder;
  const QByteArray foreign = "/music/\xCF\xE5\xF1\xED\xFF.mp3";
  folder.write("PLIST.LST", playlistFile({foreign, "", "/music/a.mp3"}));
  const QString longPath = "/music/" + QString(300, u'd') + "/" + QString(2100, u'f') + ".ogg";
  QStringList expected;
  {
    auto form = startWindow(folder.path());
    form->FilesDropped({longPath, "/music/folder", "/music/a.mp3"});
    expected = entriesOf(*form);
    form->FormDestroy();
    EXPECT_EQ(form->PlaylistIni, nullptr);
  }
  ASSERT_EQ(expected.size(), 6);
  EXPECT_EQ(expected[3], longPath);
  const QByteArray saved = folder.read("PLIST.LST");
  EXPECT_TRUE(saved.contains("\nFile_ID1=" + foreign + "\n")) << saved.left(200).constData();
  EXPECT_TRUE(saved.contains("\nFileCount=6\n"));
  // The time of the save: hours, minutes and seconds, no date and no zone.
  const QString time = IniFile(folder.file("PLIST.LST")).ReadString("Time", "Write time", {});
  EXPECT_TRUE(QRegularExpression("^\\D*\\d{1,2}\\D\\d{2}\\D\\d{2}\\D*$").match(time).hasMatch()) << time.toStdString();
  EXPECT_FALSE(time.contains("UTC"));

  auto again = startWindow(folder.path());
  EXPECT_EQ(entriesOf(*again), expected);
}

TEST(PlaylistWindow, EntryOutsideTheListRaisesTheListIndexError) {
  TempFolder folder;
  auto form = startWindow(folder.path());
  form->FilesDropped({"/a", "/b"});
  EXPECT_EQ(form->playlist().entry(1), "/b");
  for (int k : {-1, 2, 100}) {
    try {
      form->playlist().entry(k);
      ADD_FAILURE() << "no error for " << k;
    } catch (const ListIndexError& error) {
      EXPECT_EQ(QString::fromUtf8(error.what()), QString("List index out of bounds (%1)").arg(k));
    }
  }
}

TEST(PlaylistWindow, DeletingAndClearingLeaveTheCurrentTrackAlone) {
  TempFolder folder;
  const QString first = toneFile("one.wav");
  folder.write("PLIST.LST", playlistFile({first.toUtf8(), "/b", "/c"}));
  auto form = startWindow(folder.path());
  form->BitBtn2Click();
  ASSERT_EQ(form->player().Track()->State, PlayState::Playing);
  Playlist& list = form->playlist();

  list.select(-1);
  form->deleteselectedfile1Click();
  EXPECT_EQ(list.count(), 3);

  list.select(1);
  form->deleteselectedfile1Click();
  EXPECT_EQ(entriesOf(*form), (QStringList{first, "/c"}));

  form->ClearPlayList1Click();
  EXPECT_EQ(list.count(), 0);
  form->FilesDropped({"/d"});
  form->BitBtn5Click();
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(form->player().Track()->State, PlayState::Playing);
  EXPECT_EQ(form->player().CurrentFile(), first);
  EXPECT_EQ(form->player().CurrentIndex(), 0);
}

TEST(PlaylistWindow, OpenDialogSetsTheIndexFirstAndAppendsOnlyWhenConfirmed) {
  TempFolder folder;
  auto form = startWindow(folder.path());
  // ">>" walks to the eighth entry, whose file is missing like the others, and the list is
  // cleared: the current entry is past the end.
  form->FilesDropped(QStringList(8, QStringLiteral("/missing.wav")));
  for (int press = 0; press < 7; ++press) form->sBitBtn2Click();
  form->ClearPlayList1Click();
  ASSERT_EQ(form->player().CurrentIndex(), 7);
  onModalDialog([](QFileDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Open Files");
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
    dialog.reject();
  });
  form->BitBtn1Click();
  EXPECT_EQ(form->player().CurrentIndex(), 0);
  EXPECT_EQ(form->playlist().count(), 0);

  const QString chosen = toneFile("chosen.wav");
  form->FilesDropped({"/a", "/b", "/c"});
  form->playlist().select(2);
  onModalDialog([chosen](QFileDialog& dialog) {
    dialog.selectFile(chosen);
    static_cast<QDialog&>(dialog).accept();  // QFileDialog::accept, which takes the selection
  });
  form->BitBtn1Click();
  EXPECT_EQ(form->player().CurrentIndex(), 2);
  EXPECT_EQ(entriesOf(*form), (QStringList{"/a", "/b", "/c", chosen}));
  EXPECT_EQ(form->player().Track()->State, PlayState::Stopped);
}

TEST(PlaylistWindow, HandOffAppendsAndStartsTheEntry) {
  TempFolder folder;
  auto form = startWindow(folder.path());
  form->FilesDropped({"/a"});
  const QString tone = toneFile("handed.wav");

  const QString second = toneFile("handed-second.wav");

  form->HandOffReceived({});
  EXPECT_EQ(form->playlist().count(), 1);

  form->HandOffReceived({tone.toUtf8(), second.toUtf8()});
  finishStart(*form);
  EXPECT_EQ(entriesOf(*form), (QStringList{"/a", tone, second}));
  EXPECT_EQ(form->playlist().selection(), 1);
  EXPECT_EQ(form->player().CurrentIndex(), 1);
  EXPECT_EQ(form->player().CurrentFile(), tone);
  EXPECT_EQ(form->player().Track()->State, PlayState::Playing);
}

TEST(PlaylistWindow, AReadOnlyPlaylistStopsTheShutdownBeforeTheSettings) {
  TempFolder folder;
  const QByteArray saved = playlistFile({"/saved.mp3"});
  ReadOnlyFile playlist(folder, "PLIST.LST", saved);
  if (!playlist.made()) GTEST_SKIP() << "no read-only files here";
  auto form = startWindow(folder.path());
  form->FilesDropped({"/a"});
  try {
    form->FormDestroy();
    FAIL() << "no error raised";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(QString::fromUtf8(error.what()), "Unable to write to " + playlist.path());
  }
  EXPECT_EQ(folder.read("PLIST.LST"), saved);
  // The folder takes files, so only the failed save keeps the settings and any temporary
  // file out of it.
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"PLIST.LST"});
}

}  // namespace
