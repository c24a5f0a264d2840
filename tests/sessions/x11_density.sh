#!/usr/bin/env bash
# x11_density.sh LUMIDEX: at twice the density on X11 (QT_SCALE_FACTOR=2, or Xft.dpi: 192)
# the saver shows what it shows at 1x with twice the pixels: text rasterised at that density
# rather than enlarged, the logo twice as large, a preview in a host twice as large alike.
lumidex=$1
for tool in Xvfb xrdb xmessage xwininfo import convert; do
    command -v "$tool" >/dev/null || { echo "no $tool: skipped"; exit 77; }; done
scratch=$(mktemp -d) started=() failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
trap 'kill "${started[@]}" 2>/dev/null; wait; rm -rf "$scratch"' EXIT
mkdir -p "$scratch/Vantrel" "$scratch/run" && chmod 700 "$scratch/run"
# Plum background, the default red title and yellow countdown line, the logo below.
printf '%s\n' '[Settings]' 'Background=6697881' 'Title=Moon landing' 'Date=6/15/2030' \
    'ImageUsed=1' >"$scratch/Vantrel/Lumidex.conf"
Xvfb -displayfd 3 -screen 0 1600x1200x24 -noreset 3>"$scratch/display" 2>/dev/null & started+=($!)
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.05; done
DISPLAY=:$(cat "$scratch/display") && export DISPLAY XDG_CONFIG_HOME=$scratch XDG_RUNTIME_DIR=$scratch/run
# The countdown line: pixels some way from plum to yellow in the least of red, green and
# 255 - blue; nothing else on screen gets 80% of the way.
line() { convert "$scratch/$1.png" -channel B -negate +channel -separate -evaluate-sequence min "${@:2}"; }
count() { line "$1" -crop "$3" -threshold "$2" -format '%[fx:round(mean*w*h)]' info:; }
declare -A W H X Y EDGES BLOCK
# run NAME RIGHT VAR=VALUE ARGUMENT...: once the countdown line stands whole left of RIGHT,
# its box, its partly covered pixels per fully covered one (twice the density halves that;
# 1x text enlarged keeps it), the height of title, line and logo; SIGTERM ends the run.
run() {
    local n=$1 right=$2 pid crop solid whole=
    env "$3" "$lumidex" "${@:4}" 2>>"$scratch/stderr" & pid=$!
    for _ in $(seq 100); do
        sleep 0.1; import -window root "$scratch/$n.png" 2>/dev/null || continue
        read -r W["$n"] H["$n"] X["$n"] Y["$n"] < <(line "$n" -threshold 80% -format %@ info: \
            2>/dev/null | tr 'x+' '  ')
        [ "${X[$n]}" -gt "${H[$n]}" ] && [ $((X[$n] + W[$n] + H[$n])) -lt "$right" ] && whole=1 && break
    done
    kill -TERM "$pid"; timeout 5 tail --pid="$pid" -s 0.1 -f /dev/null || fail "$n: runs on after SIGTERM"
    kill -KILL "$pid" 2>/dev/null; wait "$pid"
    [ -n "$whole" ] || { fail "$n: no whole countdown line"; return; }
    crop="$((W[$n] + 4))x$((H[$n] + 4))+$((X[$n] - 2))+$((Y[$n] - 2))" solid=$(count "$n" 96% "$crop")
    EDGES[$n]=$((($(count "$n" 30% "$crop") - solid) * 1000 / (solid + 1)))
    BLOCK[$n]=$(convert "$scratch/$n.png" -trim -format %h info:)
    echo "$n: countdown line within $crop, edge ratio ${EDGES[$n]}/1000, block ${BLOCK[$n]} high"
}
# host SIZE: another program's window at 0, 0, titled SIZE; its id in "host".
host() {
    xmessage -title "$1" -geometry "$1+0+0" host 2>/dev/null & started+=($!)
    for _ in $(seq 50); do xwininfo -name "$1" 2>&1 | grep -q IsViewable && break; sleep 0.1; done
    host=$(xwininfo -name "$1" | awk '/Window id/ { print $4 }')
}
doubled() { local off=$(($3 - 2 * $2)); [ "${off#-}" -le "$4" ] || fail "$1: $2 at 1x, $3 at 2x"; }
run one 1600 QT_SCALE_FACTOR=1 /s
run scaled 1600 QT_SCALE_FACTOR=2 /s
host 300x200 && run preview 301 QT_SCALE_FACTOR=1 /p "$host"
host 600x400 && run preview_scaled 601 QT_SCALE_FACTOR=2 /p "$host"
xrdb -merge <<<'Xft.dpi: 192'
run xft 1600 QT_SCALE_FACTOR=1 /s
for pair in one:scaled one:xft preview:preview_scaled; do
    a=${pair%:*} b=${pair#*:}
    doubled "$b: line height" "${H[$a]:-0}" "${H[$b]:-1}" 2
    [ $((${EDGES[$b]:-1} * 10)) -le $((${EDGES[$a]:-0} * 6)) ] || fail "$b: text enlarged, not rasterised"
    [ "$a" = preview ] || doubled "$b: title, line and logo" "${BLOCK[$a]:-0}" "${BLOCK[$b]:-1}" 3
done
doubled "preview_scaled: line top" "${Y[preview]}" "${Y[preview_scaled]}" 3
[ ! -s "$scratch/stderr" ] || fail "lumidex wrote: $(cat "$scratch/stderr")"
[ "$failures" -eq 0 ]
