#!/usr/bin/env bash
# Takes the screenshots in docs/screenshots/ on a real (virtual) X server: starts Xvfb, runs
# "dewscope --demo", presses Enter in the port window, waits for live figures and saves
# port.png and panel.png; then opens the real-time graph and its range dialog and saves
# range.png and graph.png; last, plot.png: a day of readings drawn by `dewscope-cli plot`, the
# plot window's client area by the window's own drawing code; then that day's table opened in the
# program, its Summary window (summary.png, with limits from a settings file of the script's
# own), and a page of its report (report.png).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${DEWSCOPE_BUILD_DIR:-$ROOT/build}"
OUT="$ROOT/docs/screenshots"

need=()
command -v Xvfb >/dev/null || need+=(xvfb)
command -v xdotool >/dev/null || need+=(xdotool)
[ -x /usr/bin/import ] || need+=(imagemagick)
fc-list | grep -qi "Liberation Sans" || need+=(fonts-liberation)
command -v pdftoppm >/dev/null || need+=(poppler-utils)
if [ ${#need[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

if [ ! -x "$BUILD/app/dewscope" ] || [ ! -x "$BUILD/cli/dewscope-cli" ]; then
    [ -f "$BUILD/CMakeCache.txt" ] || cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build "$BUILD" --target dewscope dewscope-cli --parallel 2
fi
mkdir -p "$OUT"

# The program's settings live here for this run: the Summary window's limits, nothing of the user's.
WORK="$(mktemp -d)"
export XDG_CONFIG_HOME="$WORK"
mkdir -p "$WORK/Dewscope"
printf '[Summary]\ntemperatureLow=18\ntemperatureHigh=25\ntemperatureUnit=c\nhumidityHigh=70\n' \
    >"$WORK/Dewscope/dewscope.conf"

# A free display number.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
done
export DISPLAY=":$display"

pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$WORK"
}
trap cleanup EXIT

Xvfb "$DISPLAY" -screen 0 1440x900x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do
    xdotool getmouselocation >/dev/null 2>&1 && break
    sleep 0.1
done

# Waits up to $2 seconds for a window whose title is exactly $1; prints its id.
wait_window() {
    local title="$1" seconds="$2" id=""
    for _ in $(seq $((seconds * 10))); do
        id="$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1 || true)"
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "Window '$title' did not appear" >&2
    return 1
}

QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 "$BUILD/app/dewscope" --demo &
pids+=($!)

port="$(wait_window "COM Port" 20)"
sleep 1
/usr/bin/import -window "$port" "$OUT/port.png"
echo "saved $OUT/port.png"

# Enter presses OK (the default button).
xdotool windowfocus --sync "$port" 2>/dev/null || true
xdotool key --clearmodifiers Return

panel="$(wait_window "Panel V10.02" 20)"
sleep 4 # a few frames from the demo meter
/usr/bin/import -window "$panel" "$OUT/panel.png"
echo "saved $OUT/panel.png"

# The real-time graph: the toolbar's Graph key (button 4), then its Limit key for the range
# dialog; a shorter sweep (Counts 170) so that the picture shows a few minutes of curves.
xdotool mousemove --window "$panel" 119 18 click 1
graph="$(wait_window "Real Time Graph" 20)"
sleep 1
xdotool mousemove --window "$graph" 16 16 click 1
range="$(wait_window "Real Time Range" 20)"
sleep 1
/usr/bin/import -window "$range" "$OUT/range.png"
echo "saved $OUT/range.png"

# Counts 170 (the box's text selected and replaced), then OK: the graph starts again.
xdotool mousemove --window "$range" 150 241 click --repeat 3 1
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 50 170
xdotool key --clearmodifiers Return
sleep 1
graph="$(wait_window "Real Time Graph" 20)"
sleep 40 # a few minutes of curves
/usr/bin/import -window "$graph" "$OUT/graph.png"
echo "saved $OUT/graph.png"

# The data plot: 720 records two minutes apart (a day and its night), dew point and wet bulb
# after Magnus and Stull, one hour of humidity over range.
plotdata="$WORK/day.txt"
awk 'BEGIN {
    for (r = 1; r <= 720; r++) {
        t = 21 + 5 * sin(r / 115); h = 55 - 18 * sin(r / 115 + 0.5)
        a = log(h / 100) + 17.62 * t / (243.12 + t); dew = 243.12 * a / (17.62 - a)
        wet = t * atan2(0.151977 * sqrt(h + 8.313659), 1) + atan2(t + h, 1) \
            - atan2(h - 1.676331, 1) + 0.00391838 * h ^ 1.5 * atan2(0.023101 * h, 1) - 4.686035
        s = 8 * 3600 + r * 120; rh = (r > 400 && r <= 430) ? "OL" : sprintf("%.1f", h)
        printf "%d\t%02d:%02d:%02d\t%.1f\t%.1f\t%.1f\t%s\t%.1f\t%.1f\t%.1f\r\n", r,
            int(s / 3600) % 24, int(s / 60) % 60, s % 60, t, dew, wet, rh,
            t * 1.8 + 32, dew * 1.8 + 32, wet * 1.8 + 32
    }
}' >"$plotdata"
"$BUILD/cli/dewscope-cli" plot "$plotdata" --png "$OUT/plot.png" --celsius -10,40
echo "saved $OUT/plot.png"

# That day in the program: "Open" (Ctrl+O) with the file's path, then "Summary" (Ctrl+M) in the
# File List.
xdotool windowfocus --sync "$panel" 2>/dev/null || true
xdotool key --clearmodifiers ctrl+o
sleep 2
xdotool type --delay 20 "$plotdata"
xdotool key --clearmodifiers Return
list="$(wait_window "day.txt" 20)"
sleep 1
xdotool windowfocus --sync "$list" 2>/dev/null || true
xdotool key --clearmodifiers ctrl+m
summary="$(wait_window "Summary" 20)"
sleep 2
/usr/bin/import -window "$summary" "$OUT/summary.png"
echo "saved $OUT/summary.png"

"$BUILD/cli/dewscope-cli" report "$plotdata" --pdf "$WORK/report.pdf" --temp-limits 18,25 \
    --rh-limits ,70 --title "Store room, one day" --location "Cold room 4, building B" \
    --min-excursion 60
pdftoppm -r 70 -png -singlefile "$WORK/report.pdf" "$OUT/report"
echo "saved $OUT/report.png"
