#!/usr/bin/env bash
# Measures Tembr beside the two players a user would pick instead, qmmp and audacious (its Qt
# interface), the same way in one run: CPU while playing, CPU idle with the window shown, CPU
# at rest after the only entry of the list has ended and after Pause (measured from a few
# seconds on, once the sound device may have closed), start-up from exec to the window
# mapped, and proportional memory (PSS) while playing, in
# all and without the OpenGL driver's own code (libLLVM and the *_dri.so driver, which any
# OpenGL program maps). Every program runs on the same Xvfb with software OpenGL, plays the
# same 60 s MP3s into the null sink of a PulseAudio server of this run's own, with a session
# bus of its own, and starts from empty settings. CPU while playing is measured on two files:
# gentle music, and a loud master that lights most of the spectrum, as modern records do. The
# rounds take turns between the programs, so that whatever else the machine does falls on all
# of them alike; each figure is the median over the rounds.
#   bash bench/players.sh TEMBR_EXECUTABLE RESULT_FILE
# The result file gets one line per program and figure: "program figure value".
# PLAYERS_PROGRAMS="tembr" measures a part of the programs only. PLAYERS_TEMBR_BASELINE names
# a second Tembr executable, measured as the program "tembr-baseline" in the same rounds, so
# that a change can be compared with the build before it side by side.
set -uo pipefail
tembr=$(realpath "$1")
baseline=${PLAYERS_TEMBR_BASELINE:+$(realpath "$PLAYERS_TEMBR_BASELINE")}
result=$2
rounds=${PLAYERS_ROUNDS:-3}
play_seconds=${PLAYERS_PLAY_SECONDS:-15}
idle_seconds=${PLAYERS_IDLE_SECONDS:-10}
settle_seconds=3
# The entry that ends: long enough for every program to have started playing it.
short_seconds=3
starts=5
read -ra programs <<<"${PLAYERS_PROGRAMS:-tembr qmmp audacious}"
[ -n "$baseline" ] && programs+=(tembr-baseline)

# The reference players and the sound server are installed here only, never by the project's
# setup: they are benchmark references, like ffmpeg and sox.
missing=()
for program in "${programs[@]}"; do
  case $program in tembr*) continue ;; esac
  command -v "$program" >/dev/null || missing+=("$program")
done
command -v pulseaudio >/dev/null || missing+=(pulseaudio)
command -v xdotool >/dev/null || missing+=(xdotool)
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null 2>&1 ||
    { apt-get update >/dev/null 2>&1 &&
      DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null 2>&1; }
fi

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  export DISPLAY=:$((300 + RANDOM % 100))
  Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  sleep 1
fi
export LIBGL_ALWAYS_SOFTWARE=1 QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=pulseaudio
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"

# A session bus of this run's own, as on a desktop: without one, every program that asks for
# the bus starts a bus of its own on the way up.
bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null)
if [ -n "$bus" ]; then
  export DBUS_SESSION_BUS_ADDRESS=$(echo "$bus" | sed -n 1p)
  pids+=($(echo "$bus" | sed -n 2p))
else
  unset DBUS_SESSION_BUS_ADDRESS
fi

pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --log-target=file:"$work/pulse.log" \
  --load="module-null-sink sink_name=bench" \
  --load="module-native-protocol-unix auth-anonymous=1 socket=$work/pulse.sock" >/dev/null 2>&1 &
pids+=($!)
export PULSE_SERVER=unix:$work/pulse.sock
for _ in $(seq 50); do [ -S "$work/pulse.sock" ] && break; sleep 0.1; done

# Music-like material rather than a pure tone: pink noise under a tone, slowly modulated.
music=$work/music.mp3
ffmpeg -v error -y -f lavfi -i "anoisesrc=color=pink:duration=60:amplitude=0.3:seed=1" \
  -f lavfi -i "sine=frequency=330:duration=60" \
  -filter_complex "[0][1]amix=inputs=2,volume=2,tremolo=f=2:d=0.6" -ac 2 -ar 44100 -b:a 192k "$music"
# A loud master: pink noise at -6 dBFS (amplitude 0.5), which lights most of the panel.
loud=$work/loud.mp3
ffmpeg -v error -y -f lavfi -i "anoisesrc=color=pink:duration=60:amplitude=0.5:seed=1" -ac 2 -ar 44100 -b:a 192k "$loud"
short=$work/short.mp3
ffmpeg -v error -y -i "$music" -t "$short_seconds" -c copy "$short"

# Each program has a home of its own, so every one starts from its defaults.
for program in "${programs[@]}"; do mkdir -p "$work/home-$program"; done
source "$(dirname "$0")/tembr-folder.sh"
# Tembr's installation with `file` as its playlist, or an empty one.
prepare() {
  local program=$1 file=$2 executable
  case $program in
    tembr) executable=$tembr ;;
    tembr-baseline) executable=$baseline ;;
    *) return 0 ;;
  esac
  rm -rf "$work/tembr-install"
  if [ -n "$file" ]; then tembr_folder "$executable" "$work/tembr-install" "$file"; else tembr_folder "$executable" "$work/tembr-install"; fi
}

# Starts `program` (playing `file`, or idle when it is empty) in the background; sets $pid.
launch() {
  local program=$1 file=$2
  prepare "$program" "$file"
  start_program "$program" "$file"
}

start_program() {
  local program=$1 file=$2
  local home=$work/home-$program
  case $program in
    tembr | tembr-baseline)
      HOME=$home XDG_CONFIG_HOME=$home/.config "$work/tembr-install/tembr" >/dev/null 2>&1 &
      ;;
    qmmp)
      HOME=$home XDG_CONFIG_HOME=$home/.config qmmp ${file:+"$file"} >/dev/null 2>&1 &
      ;;
    audacious)
      HOME=$home XDG_CONFIG_HOME=$home/.config audacious --qt ${file:+"$file"} >/dev/null 2>&1 &
      ;;
  esac
  pid=$!
}

finish() {
  kill "$1" 2>/dev/null
  wait "$1" 2>/dev/null
}

# Pauses the running `program`: Tembr through its media-player service on the session bus,
# the others through their own command lines.
pause_program() {
  local program=$1
  local home=$work/home-$program
  case $program in
    tembr | tembr-baseline)
      dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.tembr /org/mpris/MediaPlayer2 \
        org.mpris.MediaPlayer2.Player.Pause >/dev/null 2>&1
      ;;
    qmmp)
      HOME=$home XDG_CONFIG_HOME=$home/.config qmmp --pause >/dev/null 2>&1
      ;;
    audacious)
      HOME=$home XDG_CONFIG_HOME=$home/.config audacious --pause >/dev/null 2>&1
      ;;
  esac
}

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# CPU in % of one core over `seconds`.
cpu_share() {
  local pid=$1 seconds=$2 start end
  start=$(cpu_ticks "$pid")
  sleep "$seconds"
  end=$(cpu_ticks "$pid")
  awk -v a="$start" -v b="$end" -v t="$(getconf CLK_TCK)" -v s="$seconds" 'BEGIN {printf "%.3f", (b - a) / t / s * 100}'
}

# PSS in MiB, in all and of the OpenGL driver's own code.
pss_all() { awk '/^Pss:/ {s += $2} END {printf "%.1f", s / 1024}' "/proc/$1/smaps_rollup"; }
pss_gl_driver() {
  awk '/^[0-9a-f]+-[0-9a-f]+ / {path = $6} /^Pss:/ {if (path ~ /libLLVM|_dri\.so/) s += $2} END {printf "%.1f", s / 1024}' \
    "/proc/$1/smaps"
}

# Milliseconds from exec to the first visible window of the process.
startup_ms() {
  local program=$1 t0 t1
  prepare "$program" ""
  t0=$(date +%s%N)
  start_program "$program" ""
  until xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1; do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.002
  done
  t1=$(date +%s%N)
  finish "$pid"
  echo $(((t1 - t0) / 1000000))
}

raw=$work/raw
: >"$raw"
# A first start of each, not counted: their first run writes their settings, and the files
# they map come into the page cache.
for program in "${programs[@]}"; do
  launch "$program" "$music"
  sleep "$settle_seconds"
  finish "$pid"
done

for round in $(seq "$rounds"); do
  for program in "${programs[@]}"; do
    launch "$program" "$music"
    sleep "$settle_seconds"
    echo "$program playing_cpu $(cpu_share "$pid" "$play_seconds")" >>"$raw"
    echo "$program pss $(pss_all "$pid")" >>"$raw"
    echo "$program pss_gl_driver $(pss_gl_driver "$pid")" >>"$raw"
    finish "$pid"
    launch "$program" "$loud"
    sleep "$settle_seconds"
    echo "$program playing_loud_cpu $(cpu_share "$pid" "$play_seconds")" >>"$raw"
    finish "$pid"
    launch "$program" ""
    sleep "$settle_seconds"
    echo "$program idle_cpu $(cpu_share "$pid" "$idle_seconds")" >>"$raw"
    finish "$pid"
    # The list's only entry plays to its end; the device has had its idle seconds to close.
    launch "$program" "$short"
    sleep $((short_seconds + 2 * settle_seconds))
    echo "$program ended_cpu $(cpu_share "$pid" "$idle_seconds")" >>"$raw"
    finish "$pid"
    launch "$program" "$music"
    sleep "$settle_seconds"
    pause_program "$program"
    sleep "$settle_seconds"
    echo "$program paused_cpu $(cpu_share "$pid" "$idle_seconds")" >>"$raw"
    finish "$pid"
  done
done
for round in $(seq "$starts"); do
  for program in "${programs[@]}"; do echo "$program startup_ms $(startup_ms "$program")" >>"$raw"; done
done

python3 - "$raw" "$result" <<'PY'
import sys, statistics
values = {}
for line in open(sys.argv[1]):
    program, figure, value = line.split()
    values.setdefault((program, figure), []).append(float(value))
with open(sys.argv[2], "w") as out:
    for (program, figure), vs in sorted(values.items()):
        out.write(f"{program} {figure} {statistics.median(vs):.3f}\n")
        out.write(f"{program} {figure}_all {' '.join(f'{v:g}' for v in vs)}\n")
PY
