#!/usr/bin/env bash
# Prints how photos of single cards read: for each look (card colour, backlit, a dim room) and tilt
# (0-20 degrees off the perpendicular, about either axis or both), how many cards came out exact,
# flagged (red, or a column named doubtful or unknown) or wrong in black, and the seconds per photo
# of the whole `korvane-cli read --all` process. Then the time of a 2-megapixel photo beside the
# same card square on (the baseline: no straightening), and of backlit photos of 2 and 3.7
# megapixels read with --polarity auto (dark holes tried first), medians of five runs. A
# korvane-cli whose punch has no --dim (an older build) skips the dim look; LOOKS="..." names the
# looks to run.
# The photos come from `korvane-cli punch --photo --tilt` (a surface with things on it round the
# card, light falloff and a hot spot, JPEG at a phone's quality), at 200 dpi: some 2300 x 1600 pixels.
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

photo() { # OUT LOOK AX AY ANGLE SEED
    local look=()
    case $2 in
        backlit) look=(--backlit) ;;
        dim) look=(--dim --seed "$6") ;; # the light's direction and the surface from the seed
        *) look=(--card-colour "$2") ;;
    esac
    "$cli" punch -o "$1" --photo --format jpeg --dpi 200 --angle "$5" --tilt "$3,$4" "${look[@]}" "$text" >/dev/null
}
verdict() { # the console of read --all on stdin: exact | flagged | wrong | refused
    awk -v want="$(printf '%-72.72s' "$text")" '/^Edit1 \[/ { n++; line = $0 }
        END { if (n != 1 || line !~ /^Edit1 \[(black|red)\]: /) print "refused"
              else if (line ~ /^Edit1 \[red\]/) print "flagged"
              else print (substr(line, 16) == want ? "exact" : "wrong") }'
}
"$cli" punch --help | grep -q -- --tilt || { echo "this korvane-cli's punch has no --tilt" >&2; exit 2; }
# One whole read: its wall and processor (user + system) seconds into the file timing. The machine
# may be shared, so the processor time is printed beside the wall time.
TIMEFORMAT='%R %U %S'
timed() { { time "$cli" read "$@" >out 2>/dev/null || true; } 2>timing; }
printf '%-8s %-5s %6s %6s %6s %6s %8s %8s\n' look tilt exact flagged wrong refused "s/photo" "cpu s"
looks=(cream brown pink green backlit)
"$cli" punch --help | grep -q -- --dim && looks+=(dim)
[[ -n ${LOOKS:-} ]] && read -ra looks <<<"$LOOKS" # e.g. LOOKS="dim backlit" for those rows alone
for look in "${looks[@]}"; do
    for tilt in 0 5 10 15 20; do
        declare -A n=([exact]=0 [flagged]=0 [wrong]=0 [refused]=0); total=0; ns=0; cpuns=0
        seed=0
        for turn in "$tilt 0 0" "0 $tilt 30" "-$tilt $tilt 180" "$tilt -$tilt 95"; do
            set -- $turn
            seed=$((seed + 1))
            photo p.jpg "$look" "$1" "$2" "$3" "$seed"
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

# A 2-megapixel photo (150 dpi: some 1750 x 1200 pixels), tilted, and square on (the baseline:
# not straightened).
median() { # FILE [ARGS...]: medians of five whole processes, wall and processor seconds
    local t=() c=() wall user sys
    for run in 1 2 3 4 5; do
        timed "$@" --all
        read -r wall user sys <timing
        t+=("$wall"); c+=("$(echo "$user + $sys" | bc -l)")
    done
    printf '%.3f s (processor %.3f s)' "$(printf '%s\n' "${t[@]}" | sort -g | sed -n 3p)" \
        "$(printf '%s\n' "${c[@]}" | sort -g | sed -n 3p)"
}
"$cli" punch -o big.jpg --photo --format jpeg --dpi 150 --angle 4 --tilt 10,12 "$text" >/dev/null
"$cli" punch -o flat.jpg --photo --format jpeg --dpi 150 --angle 4 --tilt 0,0 "$text" >/dev/null
echo "photo of $(identify -format '%w x %h' big.jpg 2>/dev/null || echo '2 megapixels'), tilted: $(median big.jpg), target 0.5 s; square on, not straightened: $(median flat.jpg)"
for dpi in 150 200; do
    "$cli" punch -o lit$dpi.jpg --photo --backlit --format jpeg --dpi $dpi --angle 4 --tilt 10,12 "$text" >/dev/null
    echo "backlit photo of $(identify -format '%w x %h' lit$dpi.jpg 2>/dev/null || echo "$dpi dpi"), --polarity auto: $(median lit$dpi.jpg --polarity auto)"
done
