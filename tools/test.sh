#!/usr/bin/env bash
# Installs what is missing, builds Tembr twice (normally, and with AddressSanitizer and
# UndefinedBehaviorSanitizer), builds the engine a third time with ThreadSanitizer, and runs
# every test of each build. The normal build's tests include those of the Debian package,
# which is built in between. Tests that need a real X server run on an Xvfb that this script
# starts and stops.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
bash tools/setup.sh

jobs=$(nproc)
ci_flags=()
[ -n "${CI:-}" ] && ci_flags+=(-DTEMBR_WERROR=ON)

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
export DISPLAY=$display
export LIBGL_ALWAYS_SOFTWARE=1
export SDL_AUDIODRIVER=dummy

# Line tables are enough for the sanitizers' stack traces and keep the many test links fast.
build_tree() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}
test_tree() {
  (cd "$1" && ctest --output-on-failure -j "$jobs" --timeout 300)
}
run_build() {
  build_tree "$@"
  test_tree "$1"
}

# The plain build and the package build compile the same sources with the same flags, so the
# compiler cache gives the package everything but the file that chooses the data folder.
# Paths relative to the tree (and no working folder in the hash) let the two build folders
# share cache entries.
export CCACHE_BASEDIR=$here CCACHE_NOHASHDIR=1
cached=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
optimised="-O2 -g1 -DNDEBUG"

# Warnings fail the plain build in CI; the sanitizer builds compile the same code.
build_tree build "${ci_flags[@]}" "${cached[@]}" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$optimised"
# The Debian package, from a Release build of an installed copy (files in $XDG_CONFIG_HOME).
# Its line tables are stripped from the packaged executable.
rm -f build-package/tembr_*.deb
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="$optimised" \
  -DTEMBR_XDG_CONFIG=ON -DTEMBR_BUILD_TESTS=OFF "${ci_flags[@]}" "${cached[@]}" >/dev/null
cmake --build build-package -j "$jobs" --target package
packages=(build-package/tembr_*.deb)
TEMBR_PACKAGE=$here/${packages[0]} test_tree build
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_build build-asan -DTEMBR_SANITIZE=ON -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  run_build build-tsan -DTEMBR_TSAN=ON -DTEMBR_AUDIO_ONLY=ON -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1"

# Short libFuzzer runs of every fuzz target, each from a small seed corpus (clang, with
# AddressSanitizer and UndefinedBehaviorSanitizer). TEMBR_LONG_TESTS=1 runs each for ten
# minutes instead of twenty seconds.
fuzz_seconds=20
[ "${TEMBR_LONG_TESTS:-}" = 1 ] && fuzz_seconds=600
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTEMBR_FUZZ=ON \
  -DTEMBR_BUILD_TESTS=OFF -DTEMBR_SANITIZE=ON -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build build-fuzz -j "$jobs" --target HandOffFuzz IniFuzz MediaFuzz
seeds=build-fuzz/seeds
rm -rf "$seeds" && mkdir -p "$seeds"/{HandOffFuzz,IniFuzz,MediaFuzz}
printf '/home/user/Music/a.mp3\0' >"$seeds/HandOffFuzz/path"
printf '[PList_1]\nFileCount=2\nFile_ID1=/a.mp3\nFile_ID2=/b.ogg\n[Time]\nTime=0:00:00\n' >"$seeds/IniFuzz/playlist"
printf '[Volume]\nsgauge2.Progress=0x0A\n[EQSet]\nscheckbox8.Checked=1\n' >"$seeds/IniFuzz/config"
for format in wav flac mp3 ogg; do
  ffmpeg -v error -y -f lavfi -i "sine=frequency=440:duration=0.1" -ac 2 -ar 44100 "$seeds/MediaFuzz/seed.$format"
done
for target in HandOffFuzz IniFuzz MediaFuzz; do
  ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "build-fuzz/fuzz/$target" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="build-fuzz/$target-" "$seeds/$target"
done
