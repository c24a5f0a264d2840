#!/usr/bin/env bash
# wayland.sh LUMIDEX: the program in a Wayland session of its own (weston, headless) at
# scale 1 and 2. The saver covers the output with the countdown, its text twice the
# pixels at scale 2, and ends on SIGTERM; the settings show; the modes needing an X11
# window say so and end.
set -euo pipefail
lumidex=$1
command -v weston >/dev/null || { echo "no weston: skipped"; exit 77; }
scratch=$(mktemp -d)
install -d -m 700 "$scratch/run" "$scratch/shots" "$scratch/config/Vantrel"
# Background RGB(153, 51, 102), red title, yellow countdown line.
printf '%s\n' '[Settings]' 'Background=6697881' 'Title=Moon landing' 'Date=6/15/2030' \
    >"$scratch/config/Vantrel/Lumidex.conf"
weston='' running='' failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
finish() {
    local status=$?
    # shellcheck disable=SC2086 # none, one or two PIDs; weston's own clients go with it
    kill $running $weston 2>/dev/null || true
    wait
    rm -rf "$scratch"
    exit "$status"
}
trap finish EXIT
# Polls COMMAND every 100 ms for up to SECONDS.
within() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}
# No DISPLAY: Wayland alone.
session=(env -i HOME="$scratch" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$scratch/run"
    XDG_CONFIG_HOME="$scratch/config" WAYLAND_DISPLAY=lumidex-test)
# Sets "histogram" (most common colour first) and "box": the screenshot's width and
# height, then the width, height, left and top of the countdown line's pixels.
screenshot() {
    rm -f "$scratch"/shots/*
    (cd "$scratch/shots" && "${session[@]}" weston-screenshooter) || return 1
    local shot=("$scratch"/shots/*.png)
    histogram=$(convert "${shot[0]}" -format %c histogram:info:- | sort -rn)
    box=$(convert "${shot[0]}" -fill black +opaque '#ffff00' -format '%w %h %@' info: \
        2>/dev/null | tr 'x+' '  ')
}
shows() { grep -q "($1)" <<<"$histogram"; }
# The background is the most common colour, on 97 % of the output, and the whole
# countdown line has come in.
saver_shown() {
    screenshot && shows 255,0,0 && shows 255,255,0 || return 1
    local most w h line_width left
    read -r most _ <<<"$histogram"
    read -r w h line_width _ left _ <<<"$box"
    [[ $(head -1 <<<"$histogram") == *'(153,51,102)'* ]] &&
        [ "${most%:}" -ge $((w * h * 97 / 100)) ] && [ "$left" -gt 0 ] &&
        [ $((left + line_width)) -lt $((w * 15 / 16)) ]
}
# The dialog's sample shows the colours; the background covers little.
settings_shown() {
    screenshot && shows 153,51,102 && shows 255,255,0 &&
        [[ $(head -1 <<<"$histogram") != *'(153,51,102)'* ]]
}
ended() { ! ps -o stat= -p "$running" | grep -qv Z; }
# end_run WHAT: SIGTERM ends the program promptly, by that signal, and it wrote nothing.
end_run() {
    kill -TERM "$running" 2>/dev/null || fail "$1 ended before SIGTERM"
    within 2 ended || { fail "$1 still runs 2 s after SIGTERM"; kill -KILL "$running"; }
    local status=0
    wait "$running" || status=$?
    running=''
    [ "$status" -eq 143 ] || fail "$1 ended with status $status, not by SIGTERM"
    [ ! -s "$scratch/lumidex.log" ] || fail "$1 wrote: $(cat "$scratch/lumidex.log")"
}

heights=()
for scale in 1 2; do
    "${session[@]}" weston --backend=headless-backend.so --use-pixman --debug --no-config \
        --idle-time=0 --socket=lumidex-test --width=1024 --height=768 --scale="$scale" \
        >"$scratch/weston.log" 2>&1 &
    weston=$!
    within 20 test -S "$scratch/run/lumidex-test" || { cat "$scratch/weston.log" >&2; exit 1; }

    "${session[@]}" "$lumidex" /s 2>"$scratch/lumidex.log" &
    running=$!
    within 10 saver_shown || fail "scale $scale: no countdown over the whole output"
    heights[scale]=$(cut -d' ' -f4 <<<"$box")
    end_run "the saver at scale $scale"

    if [ "$scale" -eq 1 ]; then
        "${session[@]}" "$lumidex" /c 2>"$scratch/lumidex.log" &
        running=$!
        within 10 settings_shown || fail "the settings dialog does not show"
        end_run "the settings dialog"
        for words in "/p 12345" -root "-window-id 0x1"; do
            read -r -a args <<<"$words"
            status=0
            said=$(timeout 10 "${session[@]}" "$lumidex" "${args[@]}" 2>&1) || status=$?
            [ "$status:$said" = "1:lumidex: ${args[0]} needs an X11 display" ] ||
                fail "$words ended with status $status, saying: $said"
        done
    fi
    kill "$weston"
    wait "$weston" || true
    weston=''
done

echo "countdown line: ${heights[1]:-?} pixels high at scale 1, ${heights[2]:-?} at scale 2"
# Within 2 pixels: antialiased edges of the taller glyphs differ by a pixel or two.
awk -v one="${heights[1]:-0}" -v two="${heights[2]:-0}" \
    'BEGIN { exit !(one > 0 && two >= 2 * one - 2 && two <= 2 * one + 2) }' ||
    fail "the countdown line does not take twice the pixels at scale 2"
[ "$failures" -eq 0 ] || exit 1
echo "the saver and the settings ran on Wayland at scale 1 and 2"
