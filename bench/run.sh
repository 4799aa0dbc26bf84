#!/usr/bin/env bash
# Builds Tembr for speed (Release, benchmarks on) in build-bench and prints every performance
# figure beside a reference measured in the same run, as a ratio. Where the reference is a
# goal rather than another program, the goal is the reference. The player's own figures (CPU
# playing gentle music and a loud master, idle, start-up, PSS) stand beside qmmp's and
# audacious's, which bench/players.sh installs with apt when they are missing. Never fails on
# a figure.
#   bash bench/run.sh
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
build=build-bench
out=$build/results
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTEMBR_BUILD_BENCH=ON >/dev/null || exit 1
cmake --build "$build" -j "$(nproc)" --target tembr EngineBench EngineSeekBench DspBench TickBench VisBench \
  EngineEffectLatencyBench \
  || exit 1
rm -rf "$out" && mkdir -p "$out"

display=:$((200 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
work=$(mktemp -d)
trap 'kill $xvfb_pid 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display LIBGL_ALWAYS_SOFTWARE=1 SDL_AUDIODRIVER=dummy
sleep 1

echo "== benchmarks (Google Benchmark; raw results in $out) =="
for bench in EngineBench EngineSeekBench DspBench TickBench; do
  "$build/bench/$bench" --benchmark_out="$out/$bench.json" --benchmark_out_format=json >"$out/$bench.txt" 2>&1
done
QT_QPA_PLATFORM=xcb "$build/bench/VisBench" --benchmark_out="$out/VisBench.json" --benchmark_out_format=json \
  >"$out/VisBench.txt" 2>&1
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/latency.raw" "$build/bench/EngineEffectLatencyBench" >"$out/latency.txt" 2>&1

source bench/tembr-folder.sh

ffmpeg -v error -y -f lavfi -i "sine=frequency=440:duration=1" -ac 2 -ar 44100 "$work/a.wav"
ffmpeg -v error -y -f lavfi -i "sine=frequency=660:duration=1" -ac 2 -ar 44100 "$work/b.wav"

# CPU playing (gentle and loud), idle and at rest, start-up and PSS beside qmmp and audacious,
# measured in one run.
bash bench/players.sh "$build/tembr" "$out/players.txt" >"$out/players.log" 2>&1

# The gap between two consecutive tracks, in the audio the disk driver captured.
tembr_folder "$build/tembr" "$work/gap" "$work/a.wav" "$work/b.wav"
printf '[Volume]\nsgauge2.Progress=10\n[Balans]\nstrackbar1.position=0\n[EQSet]\nscheckbox5.Checked=1\n' >"$work/gap/Config.ini"
XDG_RUNTIME_DIR=$(mktemp -d) QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/gap.raw" \
  timeout 60 "$work/gap/tembr" >/dev/null 2>&1

python3 - "$out" "$work/gap.raw" <<'PY'
import json, struct, sys, os, re
out, gap_file = sys.argv[1], sys.argv[2]
rows = []
def row(figure, ours, reference, ref_name, unit, lower_is_better=True):
    ratio = ours / reference if reference else float('nan')
    rows.append((figure, f"{ours:.3g} {unit}", f"{reference:.3g} {unit} ({ref_name})", f"{ratio:.2f}"))
def load(name):
    try:
        with open(os.path.join(out, name + ".json")) as f: return json.load(f)["benchmarks"]
    except Exception: return []
for b in load("EngineBench"):
    if b["name"].startswith("EngineDecodeAndRender/") and "engine_time_over_ffmpeg" in b:
        fmt = b["name"].split("/")[1]
        row(f"decode+render {fmt}, x real time", b["engine_x_realtime"], b["ffmpeg_x_realtime"], "ffmpeg -f null", "x", False)
        if "ffmpeg_resampling_x_realtime" in b:
            row(f"decode+render {fmt}, x real time", b["engine_x_realtime"], b["ffmpeg_resampling_x_realtime"],
                "ffmpeg -af aresample=44100 -f null", "x", False)
for b in load("EngineSeekBench"):
    if b["name"].startswith("EngineOggSeek/") and "seek_to_heard_ms" in b:
        figure = f"seek to heard, 1 h {b['name'].split('/')[1]}, worst of 7 positions"
        row(figure, b["seek_to_heard_ms"], b["ffmpeg_ss_ms"], "ffmpeg -ss -t 1, whole run", "ms")
        row(figure, b["seek_to_heard_ms"], 100.0, "goal", "ms")
dsp = {b["name"]: b for b in load("DspBench")}
ours = next((b for n, b in dsp.items() if n.startswith("BM_DspRack")), None)
sox = next((b for n, b in dsp.items() if n.startswith("BM_SoxRack")), None)
if ours and sox:
    row("effects rack, x real time (wall)", ours["xRealTime"], sox["xRealTime"], "sox", "x", False)
    row("effects rack, x real time (cpu)", ours["xRealTimeCpu"], sox["xRealTimeCpu"], "sox", "x", False)
ticks = [b for b in load("TickBench") if b.get("run_type") == "iteration" and "median_us" in b]
if ticks:
    medians = sorted(b["median_us"] for b in ticks)
    row("tick while playing, median of runs", medians[len(medians) // 2], 10000.0, "tick period", "us")
    row("tick while playing, p90 (worst run)", max(b["p90_us"] for b in ticks), 10000.0, "tick period", "us")
    row("tick while playing, slowest tick", max(b["max_us"] for b in ticks), 10000.0, "tick period", "us")
for b in load("VisBench"):
    if b["name"].startswith("BM_RenderFrameOfFivePasses"):
        t = b["real_time"] * {"ns": 1e-3, "us": 1.0, "ms": 1e3}[b["time_unit"]]
        row("drawing frame " + b.get("label", ""), t, 50000.0, "frame period 50 ms", "us")
players = {}
try:
    for line in open(os.path.join(out, "players.txt")):
        program, figure, value = line.split(maxsplit=2)
        if not figure.endswith("_all"): players[(program, figure)] = float(value)
except OSError:
    pass
def player_rows(figure, key, unit, ours_key=None):
    ours = players.get(("tembr", ours_key or key))
    if ours is None:
        rows.append((figure, "not measured", "-", "-"))
        return
    for ref in ("qmmp", "audacious"):
        if (ref, key) in players: row(figure, ours, players[(ref, key)], ref, unit)
        else: rows.append((figure, f"{ours:.3g} {unit}", f"not measured ({ref})", "-"))
for program in ("tembr", "qmmp", "audacious"):
    if (program, "pss") in players and (program, "pss_gl_driver") in players:
        players[(program, "pss_without_gl_driver")] = players[(program, "pss")] - players[(program, "pss_gl_driver")]
player_rows("CPU while playing gentle music, vis on (% of a core)", "playing_cpu", "%")
player_rows("CPU while playing a loud master, vis on (% of a core)", "playing_loud_cpu", "%")
player_rows("CPU idle, window shown (% of a core)", "idle_cpu", "%")
player_rows("CPU 10 s after the only entry ended (% of a core)", "ended_cpu", "%")
player_rows("CPU 10 s after Pause (% of a core)", "paused_cpu", "%")
player_rows("start-up, exec to window mapped (median)", "startup_ms", "ms")
player_rows("PSS while playing, in all", "pss", "MiB")
player_rows("PSS while playing, without the GL driver", "pss_without_gl_driver", "MiB")
# The goal for memory: Tembr without the GL driver's code against the reference's whole figure.
player_rows("PSS without the GL driver vs. reference in all", "pss", "MiB", "pss_without_gl_driver")
if ("tembr", "idle_cpu") in players: row("CPU idle, goal", players[("tembr", "idle_cpu")], 0.3, "goal", "%")
# At rest after the music stops, the player costs what it costs idle at start.
for key, figure in (("ended_cpu", "CPU after the only entry ended"), ("paused_cpu", "CPU after Pause")):
    if ("tembr", key) in players and ("tembr", "idle_cpu") in players:
        row(figure + " vs. idle start", players[("tembr", key)], players[("tembr", "idle_cpu")], "tembr idle start", "%")
    if ("tembr", key) in players: row(figure + ", goal", players[("tembr", key)], 0.1, "goal", "%")
try:
    data = open(gap_file, "rb").read()
    left = struct.unpack(f"<{len(data)//4}f", data[:len(data)//4*4])[0::2]
    loud = [i for i, v in enumerate(left) if abs(v) > 0.02]
    if not loud: raise ValueError("nothing was heard")
    # Silences longer than 2 ms between the first and the last sound (a sine dips under the
    # threshold only near its zero crossings).
    gaps = [b - a for a, b in zip(loud, loud[1:]) if b - a > 88]
    row("gap between tracks", (max(gaps) / 44.1) if gaps else 0.0, 30.0, "goal", "ms")
except Exception as e:
    rows.append(("gap between tracks", f"not measured ({e})", "30 ms (goal)", "-"))
lat = open(os.path.join(out, "latency.txt")).read()
m = re.search(r"effect_latency_ms ([0-9.]+)", lat)
if m: row("effect switched on to heard", float(m.group(1)), 30.0, "goal", "ms")
else: rows.append(("effect switched on to heard", "not measured", "30 ms (goal)", "-"))
widths = [max(len(r[i]) for r in rows + [("figure", "ours", "reference", "ours/ref")]) for i in range(4)]
for r in [("figure", "ours", "reference", "ours/ref")] + rows:
    print("  ".join(c.ljust(w) for c, w in zip(r, widths)))
print("x real time: higher is faster, so ours/ref above 1 is better; for every other unit, below 1 is better.")
PY
