#!/usr/bin/env bash
# x11_density.sh LUMIDEX: at twice the density on X11 (QT_SCALE_FACTOR=2, or Xft.dpi: 192)
# the saver shows what it shows at 1x with twice the pixels: text rasterised at that density
# rather than enlarged, the logo twice as large, a preview in a host twice as large alike.
set -euo pipefail
lumidex=$1
# shellcheck source=tests/sessions/session_support.sh
source "$(dirname "${BASH_SOURCE[0]}")/session_support.sh" Xvfb xrdb xmessage xwininfo \
    import convert
install -d -m 700 "$scratch/run"
# The logo below the countdown line.
settings "$scratch" 'ImageUsed=1'
xvfb 1600x1200x24
export XDG_CONFIG_HOME=$scratch XDG_RUNTIME_DIR=$scratch/run
declare -A W H X Y EDGES BLOCK
# whole NAME RIGHT: on the screen, kept as NAME, the countdown line stands whole left of
# RIGHT; its box in W, H, X and Y.
whole() {
    import -window root "$scratch/$1.png" 2>/dev/null || return 1
    line_box "$scratch/$1.png"
    read -r _ _ W["$1"] H["$1"] X["$1"] Y["$1"] <<<"$box"
    [ "${X[$1]}" -gt "${H[$1]}" ] && [ $((X[$1] + W[$1] + H[$1])) -lt "$2" ]
}
# count NAME THRESHOLD CROP: the pixels in CROP at least THRESHOLD of the way to yellow.
count() { line "$scratch/$1.png" -crop "$3" -threshold "$2" -format '%[fx:round(mean*w*h)]' info:; }
# run NAME RIGHT VAR=VALUE ARGUMENT...: once the countdown line stands whole left of RIGHT,
# its partly covered pixels per fully covered one (twice the density halves that; 1x text
# enlarged keeps it), the height of title, line and logo; SIGTERM ends the run.
run() {
    local name=$1 shown=yes crop solid
    env "$3" "$lumidex" "${@:4}" 2>"$scratch/$name.log" &
    within 20 whole "$name" "$2" || shown=no
    end_run "$name" $! "$scratch/$name.log"
    [ "$shown" = yes ] || { fail "$name: no whole countdown line"; return; }
    crop="$((W[$name] + 4))x$((H[$name] + 4))+$((X[$name] - 2))+$((Y[$name] - 2))"
    solid=$(count "$name" 96% "$crop")
    EDGES[$name]=$((($(count "$name" 30% "$crop") - solid) * 1000 / (solid + 1)))
    BLOCK[$name]=$(convert "$scratch/$name.png" -trim -format %h info:)
    echo "$name: countdown line within $crop, edge ratio ${EDGES[$name]}/1000," \
        "block ${BLOCK[$name]} high"
}
# host SIZE: another program's window at 0, 0, titled SIZE; its id in "host".
host() {
    xmessage -title "$1" -geometry "$1+0+0" host 2>/dev/null &
    within 5 viewable "$1" || fail "no $1 host window"
    host=$(xwininfo -name "$1" | awk '/Window id/ { print $4 }')
}
viewable() { xwininfo -name "$1" 2>&1 | grep -q IsViewable; }

run one 1600 QT_SCALE_FACTOR=1 /s
run scaled 1600 QT_SCALE_FACTOR=2 /s
host 300x200
run preview 301 QT_SCALE_FACTOR=1 /p "$host"
host 600x400
run preview_scaled 601 QT_SCALE_FACTOR=2 /p "$host"
xrdb -merge <<<'Xft.dpi: 192'
run xft 1600 QT_SCALE_FACTOR=1 /s
for pair in one:scaled one:xft preview:preview_scaled; do
    a=${pair%:*}
    b=${pair#*:}
    doubled "$b: line height" "${H[$a]:-0}" "${H[$b]:-0}" 2
    [ $((${EDGES[$b]:-1} * 10)) -le $((${EDGES[$a]:-0} * 6)) ] ||
        fail "$b: text enlarged, not rasterised"
    [ "$a" = preview ] || doubled "$b: title, line and logo" "${BLOCK[$a]:-0}" "${BLOCK[$b]:-0}" 3
done
doubled "preview_scaled: line top" "${Y[preview]:-0}" "${Y[preview_scaled]:-0}" 3
[ "$failures" -eq 0 ]
