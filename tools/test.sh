#!/usr/bin/env bash
# Installs what is missing, builds Tembr twice (normally, and with AddressSanitizer and
# UndefinedBehaviorSanitizer), builds the engine a third time with ThreadSanitizer, and runs
# every test of each build. Tests that need a real X server run on an Xvfb that this script
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

run_build() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${ci_flags[@]}" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 300)
}

run_build build
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_build build-asan -DTEMBR_SANITIZE=ON
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  run_build build-tsan -DTEMBR_TSAN=ON -DTEMBR_AUDIO_ONLY=ON
