// Loading and saving a playlist of 10,000 entries, the file work of start and exit. The goal
// is under 100 ms for each.

#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <QTime>

#include "playlist/PlaylistFile.h"
#include "settings/IniFile.h"

namespace {

constexpr int kEntries = 10000;

QStringList manyEntries() {
  QStringList entries;
  entries.reserve(kEntries);
  for (int k = 0; k < kEntries; ++k) {
    entries << QStringLiteral("/home/listener/Музыка/Artist %1/Album %2/%3 - Track title.mp3")
                   .arg(k / 100)
                   .arg(k / 10)
                   .arg(k % 10);
  }
  return entries;
}

void BM_SavePlaylist(benchmark::State& state) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("PLIST.LST"));
  const QStringList entries = manyEntries();
  {
    IniFile ini(path);
    PlaylistFile(ini).save(entries, QStringLiteral("0:00:00"));
  }
  for (auto _ : state) {
    // As at exit: the file object has read the file at start and saves over it.
    state.PauseTiming();
    IniFile ini(path);
    benchmark::DoNotOptimize(PlaylistFile(ini).load());
    state.ResumeTiming();
    PlaylistFile(ini).save(entries, QTime::currentTime().toString());
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_SavePlaylist)->Unit(benchmark::kMillisecond);

void BM_LoadPlaylist(benchmark::State& state) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("PLIST.LST"));
  {
    IniFile ini(path);
    PlaylistFile(ini).save(manyEntries(), QStringLiteral("0:00:00"));
  }
  for (auto _ : state) {
    // As at start: a fresh file object reads and parses the file.
    IniFile ini(path);
    QStringList entries = PlaylistFile(ini).load();
    benchmark::DoNotOptimize(entries);
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_LoadPlaylist)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
