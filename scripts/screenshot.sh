#!/usr/bin/env bash
# Runs korvane in a virtual X display of 1280 x 800 and uses it with keys and the mouse as a user
# would, saving screenshots into docs/:
#   docs/window-page.png     the page opened and processed, fitted to the window
#   docs/window-results.png  after Edit > Read all cards: every card in the results panel
#   docs/window-zoomed.png   a row chosen in the panel and the view zoomed in on its card
#   scripts/screenshot.sh [SCAN.bmp]
# Without a scan it punches the three cards of samples/page.txt onto a 600 dpi page (about A4)
# with korvane-cli punch and opens that.
set -euo pipefail
cd "$(dirname "$0")/.."
docs="$(realpath docs)"
bash scripts/deps.sh xdotool imagemagick
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_GUI=ON >/dev/null
nice cmake --build build --target korvane korvane-cli >/dev/null
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp ibmkaart.txt "$work/"
if [ $# -ge 1 ]; then
    scan="$(realpath "$1")"
else
    scan="$work/page-600dpi.bmp"
    root="$PWD"
    (cd "$work" && "$root/build/shell/korvane-cli" punch --dpi 600 --file "$root/samples/page.txt" \
        -o "$scan" >/dev/null)
fi
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
settings="$(mktemp -d)"
cat > "$XDG_RUNTIME_DIR/korvane-shot.sh" <<SCRIPT
set -e
export XDG_CONFIG_HOME="$settings"               # no recent files of earlier runs
cd "$work"                                        # the page's code table and log
"$(realpath build/shell/korvane)" "$scan" >/dev/null &
app=\$!
for i in \$(seq 1 100); do xdotool search --onlyvisible --name 'Korvane\$' >/dev/null 2>&1 && break; sleep 0.1; done
sleep 0.5
win=\$(xdotool search --onlyvisible --name 'Korvane\$' | head -1)
xdotool windowfocus --sync "\$win"              # no window manager: give it the keyboard
xdotool key --window "\$win" alt+e p             # Edit > Process
sleep 1.5
import -window root "$docs/window-page.png"
xdotool key --window "\$win" ctrl+r              # Edit > Read all cards
sleep 1.5
import -window root "$docs/window-results.png"
eval "\$(xdotool getwindowgeometry --shell "\$win")"
# The first row of the results panel: the panel is docked at the bottom, its header above row 1.
xdotool mousemove --window "\$win" 40 \$((HEIGHT - ROWS_FROM_BOTTOM)) click 1
sleep 0.5
xdotool windowfocus --sync "\$win"
for i in 1 2 3 4; do xdotool key --window "\$win" ctrl+plus; sleep 0.2; done
sleep 1
import -window root "$docs/window-zoomed.png"
kill \$app
SCRIPT
ROWS_FROM_BOTTOM="${ROWS_FROM_BOTTOM:-99}"
sed -i "s/ROWS_FROM_BOTTOM/$ROWS_FROM_BOTTOM/" "$XDG_RUNTIME_DIR/korvane-shot.sh"
xvfb-run -a -s "-screen 0 1280x800x24" bash "$XDG_RUNTIME_DIR/korvane-shot.sh"
rm -rf "$settings"
echo "screenshots: $docs/window-page.png $docs/window-results.png $docs/window-zoomed.png"
