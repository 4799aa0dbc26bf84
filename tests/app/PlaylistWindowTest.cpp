// The playlist as the window runs it: loading at start, the ways entries are added and
// removed, the save at shutdown and the hand-off from a second start. The list itself, and
// its file, are tests/playlist's.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "audio/decode/Decoder.h"
#include "playlist/Player.h"
#include "playlist/Playlist.h"
#include "settings/ByteText.h"
#include "tests/app/PlaybackHarness.h"
#include "tests/app/StartedWindow.h"
#include "tests/audio/support/AudioFixtures.h"
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

QStringList entriesOf(TForm1& form) { return playlistOf(form).entries(); }

// Drops `paths` on the window as a file manager does: as file URLs, every byte of a name
// percent-encoded.
void drop(TForm1& form, const QList<QByteArray>& paths) {
  QMimeData dropped;
  QList<QUrl> urls;
  for (const QByteArray& path : paths) urls << QUrl::fromEncoded("file://" + path.toPercentEncoding("/"));
  dropped.setUrls(urls);
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&form, &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent dropEvent(QPointF(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&form, &dropEvent);
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
  EXPECT_EQ(playlistOf(*startWindow(folder.path())).count(), 0);
  const QString first = toneFile("first.wav");
  folder.write("PLIST.LST", playlistFile({first.toUtf8(), "/nowhere/second.mp3"}));
  auto form = startWindow(folder.path());
  EXPECT_EQ(entriesOf(*form), (QStringList{first, "/nowhere/second.mp3"}));
  const Player& player = playerOf(*form);
  EXPECT_EQ(player.CurrentFile(), first);
  EXPECT_EQ(playlistOf(*form).selection(), 0);
  EXPECT_EQ(player.CurrentIndex(), 0);
  EXPECT_NE(player.Track()->Stream, 0u);
  EXPECT_EQ(player.Track()->State, PlayState::Stopped);
}

TEST(PlaylistWindow, OpensAnEntryWhoseNameIsNotUtf8FromTheFileOrADrop) {
  TempFolder folder;
  const QByteArray name = QFile::encodeName(folder.path()) + "/\xCF\xE5\xF1\xED\xFF.wav";
  ASSERT_EQ(::rename(fixtures::writeSineWav("cp1251.wav", 44100, 2, 440.0, 0.2).c_str(), name.constData()), 0);
  folder.write("PLIST.LST", playlistFile({name}));
  auto form = startWindow(folder.path());
  EXPECT_EQ(bytesFromText(playerOf(*form).CurrentFile()), name);
  EXPECT_NE(playerOf(*form).Track()->Stream, 0u);

  drop(*form, {name});
  ASSERT_EQ(playlistOf(*form).count(), 2);
  EXPECT_EQ(bytesFromText(playlistOf(*form).entry(1)), name);
  const audio::StreamHandle first = playerOf(*form).Track()->Stream;
  playlistOf(*form).select(1);
  emit part<QListView>(*form, "ListBox1").clicked(playlistOf(*form).index(1));
  finishStart(*form);
  EXPECT_NE(playerOf(*form).Track()->Stream, first);
  EXPECT_NE(playerOf(*form).Track()->Stream, 0u);
}

TEST(PlaylistWindow, DeletingAndClearingLeaveTheCurrentTrackAlone) {
  TempFolder folder;
  const QString first = toneFile("one.wav");
  folder.write("PLIST.LST", playlistFile({first.toUtf8(), "/b", "/c"}));
  auto form = startWindow(folder.path());
  part<QPushButton>(*form, "BitBtn2").click();
  ASSERT_EQ(playerOf(*form).Track()->State, PlayState::Playing);
  Playlist& list = playlistOf(*form);

  list.select(-1);
  part<QAction>(*form, "deleteselectedfile1").trigger();
  EXPECT_EQ(list.count(), 3);

  list.select(1);
  part<QAction>(*form, "deleteselectedfile1").trigger();
  EXPECT_EQ(entriesOf(*form), (QStringList{first, "/c"}));

  part<QAction>(*form, "ClearPlayList1").trigger();
  EXPECT_EQ(list.count(), 0);
  drop(*form, {"/d"});
  part<QPushButton>(*form, "BitBtn5").click();
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(playerOf(*form).Track()->State, PlayState::Playing);
  EXPECT_EQ(playerOf(*form).CurrentFile(), first);
  EXPECT_EQ(playerOf(*form).CurrentIndex(), 0);
}

TEST(PlaylistWindow, OpenDialogSetsTheIndexFirstAndAppendsOnlyWhenConfirmed) {
  TempFolder folder;
  auto form = startWindow(folder.path());
  // ">>" walks to the eighth entry, whose file is missing like the others, and the list is
  // cleared: the current entry is past the end.
  drop(*form, QList<QByteArray>(8, "/missing.wav"));
  for (int press = 0; press < 7; ++press) part<QPushButton>(*form, "sBitBtn2").click();
  part<QAction>(*form, "ClearPlayList1").trigger();
  ASSERT_EQ(playerOf(*form).CurrentIndex(), 7);
  onModalDialog([](QFileDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Open Files");
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
    dialog.reject();
  });
  part<QPushButton>(*form, "BitBtn1").click();
  EXPECT_EQ(playerOf(*form).CurrentIndex(), 0);
  EXPECT_EQ(playlistOf(*form).count(), 0);

  const QString chosen = toneFile("chosen.wav");
  drop(*form, {"/a", "/b", "/c"});
  playlistOf(*form).select(2);
  onModalDialog([chosen](QFileDialog& dialog) {
    dialog.selectFile(chosen);
    static_cast<QDialog&>(dialog).accept();  // QFileDialog::accept, which takes the selection
  });
  part<QPushButton>(*form, "BitBtn1").click();
  EXPECT_EQ(playerOf(*form).CurrentIndex(), 2);
  EXPECT_EQ(entriesOf(*form), (QStringList{"/a", "/b", "/c", chosen}));
  EXPECT_EQ(playerOf(*form).Track()->State, PlayState::Stopped);
}

TEST(PlaylistWindow, HandOffAppendsAndStartsTheEntry) {
  TempFolder folder;
  auto form = startWindow(folder.path());
  drop(*form, {"/a"});
  const QString tone = toneFile("handed.wav");

  const QString second = toneFile("handed-second.wav");

  form->HandOffReceived({});
  EXPECT_EQ(playlistOf(*form).count(), 1);

  form->HandOffReceived({tone.toUtf8(), second.toUtf8()});
  finishStart(*form);
  EXPECT_EQ(entriesOf(*form), (QStringList{"/a", tone, second}));
  EXPECT_EQ(playlistOf(*form).selection(), 1);
  EXPECT_EQ(playerOf(*form).CurrentIndex(), 1);
  EXPECT_EQ(playerOf(*form).CurrentFile(), tone);
  EXPECT_EQ(playerOf(*form).Track()->State, PlayState::Playing);
}

TEST(PlaylistWindow, AReadOnlyPlaylistStopsTheShutdownBeforeTheSettings) {
  TempFolder folder;
  const QByteArray saved = playlistFile({"/saved.mp3"});
  ReadOnlyFile playlist(folder, "PLIST.LST", saved);
  if (!playlist.made()) GTEST_SKIP() << "no read-only files here";
  auto form = startWindow(folder.path());
  drop(*form, {"/a"});
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

// A file that never answers, as on a network mount that has stopped answering, holds up
// whatever waits on it; closing the window still writes the playlist and the settings first.
// The reader here answers once both files are there, or after ten seconds at most, and notes
// which it was.
TEST(PlaylistWindow, AFileThatNeverAnswersDoesNotKeepTheListAndSettingsFromBeingSaved) {
  playback::WindowHarness harness(1, 0.2, "robust-saved");
  const std::filesystem::path playlist = harness.folder.file(QStringLiteral("PLIST.LST")).toStdString();
  const std::filesystem::path settings = harness.folder.file(QStringLiteral("Config.ini")).toStdString();
  const auto savedWhileHung = std::make_shared<std::atomic<bool>>(false);
  audio::Engine::setDecoderOpener([=](const std::string& path) {
    if (path.find("hung") != std::string::npos) {
      const auto saved = [&] { return std::filesystem::exists(playlist) && std::filesystem::exists(settings); };
      const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (!saved() && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      *savedWhileHung = saved();
    }
    return audio::openDecoder(path);
  });
  harness.addEntry(QString::fromStdString(fixtures::writeSineWav("hung.wav", 44100, 2, 440.0, 0.2)));
  harness.click(1);
  harness.window().FormDestroy();
  audio::Engine::setDecoderOpener(nullptr);
  EXPECT_TRUE(*savedWhileHung);
  EXPECT_TRUE(harness.folder.read(QStringLiteral("PLIST.LST")).contains("hung.wav"));
}

}  // namespace
