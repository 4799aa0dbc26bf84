// The player under damaged media, a very long playlist and a long stretch of playback, all on
// the manually clocked output: nothing crashes or hangs, bad entries are passed over, and
// memory stays flat while the list repeats.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "playlist/PlaylistFile.h"
#include "settings/IniFile.h"
#include "tests/playlist/PlayerHarness.h"

namespace {

using playback::Harness;

QByteArray fileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray validWav() { return fileBytes(playback::toneFile("robust-source.wav", 0.2)); }

void putLe32(QByteArray& bytes, int at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

struct DamagedFile {
  const char* name;
  std::function<QByteArray()> bytes;
  bool mustPlay;  // a file that still holds good audio at its start
};

const std::vector<DamagedFile>& damagedFiles() {
  static const std::vector<DamagedFile> files = {
      {"intact.wav", [] { return validWav(); }, true},
      {"zero-length.mp3", [] { return QByteArray(); }, false},
      {"header-only.wav", [] { return validWav().left(44); }, false},
      {"cut-in-half.wav", [] { return validWav().left(validWav().size() / 2); }, true},
      {"cut-in-header.wav", [] { return validWav().left(20); }, false},
      {"wav-named.mp3", [] { return validWav(); }, true},
      {"text.ogg", [] { return QByteArray("This is not audio at all.\n").repeated(100); }, false},
      {"random.flac",
       [] {
         QByteArray noise(50000, '\0');
         uint32_t state = 12345;
         for (char& c : noise) c = static_cast<char>((state = state * 1664525u + 1013904223u) >> 24);
         return noise;
       },
       false},
      {"bit-flipped.wav",
       [] {
         QByteArray bytes = validWav();
         for (int i = 0; i < bytes.size(); i += 97) bytes[i] = static_cast<char>(bytes[i] ^ 0x5a);
         return bytes;
       },
       false},
      {"huge-declared-sizes.wav",
       [] {
         QByteArray bytes = validWav();
         putLe32(bytes, 4, 0xfffffff0u);   // RIFF size
         putLe32(bytes, 40, 0xffffffe0u);  // data size
         return bytes;
       },
       true},
      {"huge-channel-count.wav",
       [] {
         QByteArray bytes = validWav();
         bytes[22] = static_cast<char>(0xff);
         bytes[23] = static_cast<char>(0xff);
         return bytes;
       },
       false},
      {"intact-last.wav", [] { return validWav(); }, true},
  };
  return files;
}

TEST(Robustness, APlaylistOfDamagedFilesPlaysOrSkipsEveryEntryInOrder) {
  Harness harness;
  const std::vector<DamagedFile>& files = damagedFiles();
  for (const DamagedFile& file : files) {
    harness.addEntry(harness.folder.write(QString::fromLatin1(file.name), file.bytes()));
  }
  const int last = static_cast<int>(files.size()) - 1;

  harness.click(0);
  std::vector<int> visited;
  std::set<int> opened;
  for (int step = 0; step < 4 * static_cast<int>(files.size()); ++step) {
    if (visited.empty() || visited.back() != harness.player.CurrentIndex()) visited.push_back(harness.player.CurrentIndex());
    if (harness.stream() != 0) opened.insert(harness.player.CurrentIndex());
    if (harness.player.CurrentIndex() == last && harness.activity() != audio::Activity::Playing) break;
    harness.playOutAndTick();
  }
  std::vector<int> expected(files.size());
  for (int i = 0; i <= last; ++i) expected[static_cast<size_t>(i)] = i;
  EXPECT_EQ(visited, expected);
  EXPECT_NE(harness.activity(), audio::Activity::Playing) << "the last entry never ended";
  for (size_t i = 0; i < files.size(); ++i) {
    if (files[i].mustPlay) {
      EXPECT_TRUE(opened.count(static_cast<int>(i))) << files[i].name << " did not play";
    }
  }
}

TEST(Robustness, TenThousandEntriesLoadPlayAndSave) {
  constexpr int kEntries = 10000;
  Harness harness;
  const QString tone = playback::toneFile("robust-many.wav", 0.05);
  QStringList entries;
  for (int i = 0; i < kEntries; ++i) entries << (i % 2 == 0 ? tone : tone + QStringLiteral(".missing%1").arg(i));
  const QString path = harness.folder.file(QStringLiteral("PLIST.LST"));
  {
    IniFile ini(path);
    PlaylistFile(ini).save(entries, QStringLiteral("0:00:00"));
  }
  {
    IniFile ini(path);
    harness.player.LoadPlaylist(ini);
  }
  ASSERT_EQ(harness.playlist.count(), kEntries);

  harness.click(kEntries - 2);
  EXPECT_NE(harness.stream(), 0u);
  harness.playOutAndTick();
  EXPECT_EQ(harness.player.CurrentIndex(), kEntries - 1);

  QFile::remove(path);
  {
    IniFile ini(path);
    harness.playlist.SavePlaylist(ini);
  }
  IniFile reread(path);
  EXPECT_EQ(PlaylistFile(reread).load(), entries);
}

long residentKib() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

bool addressSanitized() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#endif
#endif
  return false;
}

// An hour of playback with TEMBR_LONG_TESTS=1, ten minutes otherwise: short files round
// and round under "Repeat List", the tick after every block, as the timer would run it.
// Resident memory rises for the first few minutes (the allocator takes arenas for the
// decoding threads, up to its fixed limit) and must then stay where it is: the second half
// is compared with the middle.
TEST(Robustness, MemoryStaysFlatWhileTheListRepeats) {
  const bool longRun = qEnvironmentVariable("TEMBR_LONG_TESTS") == QStringLiteral("1");
  const int64_t totalFrames = int64_t{playback::kSampleRate} * (longRun ? 3600 : 600);
  constexpr int kBlock = 4096;
  Harness harness(3, 0.5, "robust-soak");
  harness.setRepeat(true);
  harness.click(0);

  long settled = 0, highest = 0;
  int rounds = 0, lastIndex = 0;
  for (int64_t frames = 0; frames < totalFrames; frames += kBlock) {
    harness.render(kBlock);
    harness.tick();
    if (harness.player.CurrentIndex() < lastIndex) ++rounds;
    lastIndex = harness.player.CurrentIndex();
    if (frames >= totalFrames / 2 && settled == 0) settled = residentKib();
    if (settled != 0) highest = std::max(highest, residentKib());
  }
  std::printf("list played %d times; resident %ld KiB half way, at most %ld KiB after that\n", rounds, settled,
              highest);
  // Each round is 1.5 s of audio; a stall would show as far fewer rounds.
  EXPECT_GT(rounds, static_cast<int>(totalFrames / playback::kSampleRate / 3));
  // AddressSanitizer holds freed memory back on purpose, so only a plain build measures.
  if (!addressSanitized()) {
    EXPECT_LT(highest - settled, 8 * 1024);
  }
}

}  // namespace
