#!/usr/bin/env bash
# Runs korvane in a virtual X display, reads a card with the mouse as a user would (Edit > Process,
# Edit > Select, OK, a click on the card) and saves a screenshot of the screen.
#   scripts/screenshot.sh [SCAN.bmp] [OUT.png] [X Y]    (default: samples/card-01.bmp, korvane.png,
#                                                        a click in the middle of the picture)
set -euo pipefail
cd "$(dirname "$0")/.."
scan="${1:-samples/card-01.bmp}"
out="$(realpath -m "${2:-korvane.png}")"
bash scripts/deps.sh xdotool imagemagick
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_GUI=ON >/dev/null
cmake --build build --target korvane >/dev/null
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
cat > "$XDG_RUNTIME_DIR/korvane-shot.sh" <<SCRIPT
set -e
./build/shell/korvane "$scan" &
app=\$!
for i in \$(seq 1 100); do xdotool search --name '^Korvane\$' >/dev/null 2>&1 && break; sleep 0.1; done
sleep 0.5
win=\$(xdotool search --name '^Korvane\$' | head -1)
xdotool windowfocus --sync "\$win"            # no window manager: give it the keyboard
xdotool key --window "\$win" alt+e p           # Edit > Process
sleep 1
xdotool key --window "\$win" alt+e s           # Edit > Select: the instruction box
sleep 0.5
xdotool key Return                             # OK
sleep 0.5
read -r x y <<<"${3:-} ${4:-}"
if [ -z "\$x" ]; then
    eval "\$(xdotool getwindowgeometry --shell "\$win")"
    x=\$((WIDTH / 2)); y=\$((HEIGHT / 2 + 20))
fi
xdotool mousemove --window "\$win" "\$x" "\$y" click 1
sleep 1
import -window root "$out"
kill \$app
SCRIPT
xvfb-run -a -s "-screen 0 1280x800x24" bash "$XDG_RUNTIME_DIR/korvane-shot.sh"
echo "screenshot: $out"
