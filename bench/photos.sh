#!/usr/bin/env bash
# Prints how photos of single cards read: for each look (card colour, light, backlit) and tilt
# (0-20 degrees off the perpendicular, about either axis or both), how many cards came out exact,
# flagged (red, or a column named doubtful or unknown) or wrong in black, and the seconds per photo
# of the whole `korvane-cli read --all` process. Then the time of a 2-megapixel photo beside the
# same card square on (the baseline: no straightening), medians of five runs.
# The photos: `korvane-cli punch --photo --tilt` when the build has it; else a punched grey PNG
# carried into perspective and coloured by ImageMagick's convert.
#   bench/photos.sh [KORVANE_CLI]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
cli=${1:-$root/build/shell/korvane-cli}
[[ -x $cli ]] || { echo "no korvane-cli at $cli (build the target korvane-cli)" >&2; exit 2; }
cli=$(realpath "$cli")
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$root/ibmkaart.txt" .
text="PHOTO 0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ +-*/=(),."

# The page's corners (W x H) seen by a pinhole camera at 1.5 W, the page turned AX degrees about
# its horizontal middle line and AY about its vertical one: "x,y X,Y" pairs for -distort Perspective.
corners() { # W H AX AY
    awk -v w="$1" -v h="$2" -v ax="$3" -v ay="$4" 'BEGIN { d = 1.5 * (w > h ? w : h); a = ax * 3.14159265 / 180; b = ay * 3.14159265 / 180
        split("0 " w " " w " 0", cx, " "); split("0 0 " h " " h, cy, " ")
        for (k = 1; k <= 4; k++) { x = cx[k] - w / 2; y0 = cy[k] - h / 2; y = y0 * cos(a); z0 = y0 * sin(a)
            x1 = x * cos(b) + z0 * sin(b); z = -x * sin(b) + z0 * cos(b)
            printf "%d,%d %.1f,%.1f ", cx[k], cy[k], w / 2 + d * x1 / (d + z), h / 2 + d * y / (d + z) } }'
}

# Card and surroundings of each look: colours for black and white of the punched page.
declare -A looks=(
    [cream]="rgb(25,30,45) rgb(235,222,180)"
    [brown]="rgb(20,20,20) rgb(150,105,60)"
    [pink]="rgb(30,45,30) rgb(240,180,190)"
    [green]="rgb(60,30,30) rgb(160,210,160)"
    [backlit]="rgb(60,40,25) rgb(252,252,245)"
)
photo() { # OUT LOOK AX AY ANGLE
    local out=$1 look=$2 ax=$3 ay=$4 angle=$5 colours
    colours=(${looks[$look]})
    "$cli" punch -o page.png --format png --grey --dpi 200 --angle "$angle" --falloff 0.15 --blur 1 \
        --sensor-noise 2 "$text" >/dev/null
    local size w h negate=()
    size=$(identify -format '%w %h' page.png); w=${size% *}; h=${size#* }
    [[ $look == backlit ]] && negate=(-negate)
    convert page.png "${negate[@]}" -virtual-pixel edge -distort Perspective "$(corners "$w" "$h" "$ax" "$ay")" \
        -colorspace sRGB -type TrueColor +level-colors "${colours[0]},${colours[1]}" -quality 90 "$out"
}
verdict() { # the console of read --all on stdin: exact | flagged | wrong | refused
    awk -v want="$(printf '%-72.72s' "$text")" '/^Edit1 \[/ { n++; line = $0 }
        END { if (n != 1 || line !~ /^Edit1 \[(black|red)\]: /) print "refused"
              else if (line ~ /^Edit1 \[red\]/) print "flagged"
              else print (substr(line, 16) == want ? "exact" : "wrong") }'
}
command -v convert >/dev/null || { echo "ImageMagick's convert is needed to make the photos" >&2; exit 2; }
# One whole read: its wall and processor (user + system) seconds into the file timing. The machine
# may be shared, so the processor time is printed beside the wall time.
TIMEFORMAT='%R %U %S'
timed() { { time "$cli" read "$@" >out 2>/dev/null || true; } 2>timing; }
printf '%-8s %-5s %6s %6s %6s %6s %8s %8s\n' look tilt exact flagged wrong refused "s/photo" "cpu s"
for look in cream brown pink green backlit; do
    for tilt in 0 5 10 15 20; do
        declare -A n=([exact]=0 [flagged]=0 [wrong]=0 [refused]=0); total=0; ns=0; cpuns=0
        for turn in "$tilt 0 0" "0 $tilt 30" "-$tilt $tilt 180" "$tilt -$tilt 95"; do
            set -- $turn
            photo p.jpg "$look" "$1" "$2" "$3"
            polarity=(); [[ $look == backlit ]] && polarity=(--polarity auto)
            timed p.jpg --all "${polarity[@]}"
            read -r wall user sys <timing
            ns=$(echo "$ns + $wall" | bc -l); cpuns=$(echo "$cpuns + $user + $sys" | bc -l); total=$((total + 1))
            v=$(verdict <out); n[$v]=$((n[$v] + 1))
        done
        printf '%-8s %-5s %6d %6d %6d %6d %8.3f %8.3f\n' "$look" "$tilt" "${n[exact]}" "${n[flagged]}" "${n[wrong]}" \
            "${n[refused]}" "$(echo "$ns / $total" | bc -l)" "$(echo "$cpuns / $total" | bc -l)"
    done
done

# A 2-megapixel photo (1800 x 1110): tilted 15 degrees, and square on (the baseline).
median() { # FILE: medians of five whole processes, wall and processor seconds
    local t=() c=() wall user sys
    for run in 1 2 3 4 5; do
        timed "$1" --all
        read -r wall user sys <timing
        t+=("$wall"); c+=("$(echo "$user + $sys" | bc -l)")
    done
    printf '%.3f s (processor %.3f s)' "$(printf '%s\n' "${t[@]}" | sort -g | sed -n 3p)" \
        "$(printf '%s\n' "${c[@]}" | sort -g | sed -n 3p)"
}
photo big.jpg cream 10 12 4
convert big.jpg -background 'rgb(25,30,45)' -gravity center -extent 1800x1110 big.jpg
photo flat.jpg cream 0 0 4
convert flat.jpg -background 'rgb(25,30,45)' -gravity center -extent 1800x1110 flat.jpg
echo "2-megapixel photo (1800 x 1110), tilted: $(median big.jpg), target 0.5 s; square on, not straightened: $(median flat.jpg)"
