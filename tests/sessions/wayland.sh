#!/usr/bin/env bash
# wayland.sh LUMIDEX: the program in a Wayland session of its own (weston, headless) at
# scale 1 and 2. The saver covers the output with the countdown, its text twice the
# pixels at scale 2, and ends on SIGTERM; the settings show; the modes needing an X11
# window say so and end.
set -euo pipefail
lumidex=$1
# shellcheck source=tests/sessions/session_support.sh
source "$(dirname "${BASH_SOURCE[0]}")/session_support.sh" weston convert
install -d -m 700 "$scratch/run" "$scratch/shots"
settings "$scratch/config"
# No DISPLAY: Wayland alone.
session=(env -i HOME="$scratch" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$scratch/run"
    XDG_CONFIG_HOME="$scratch/config" WAYLAND_DISPLAY=lumidex-test)
screenshot() {
    rm -f "$scratch"/shots/*
    (cd "$scratch/shots" && "${session[@]}" weston-screenshooter) || return 1
    local shot=("$scratch"/shots/*.png)
    colours "${shot[0]}"
    line_box "${shot[0]}"
}
# The background is the most common colour, on 97 % of the output, and the whole
# countdown line has come in.
saver_shown() {
    screenshot && mostly 153,51,102 && shows 255,0,0 && shows 255,255,0 || return 1
    local most w h line_width left
    read -r most _ <<<"$histogram"
    read -r w h line_width _ left _ <<<"$box"
    [ "${most%:}" -ge $((w * h * 97 / 100)) ] && [ "$left" -gt 0 ] &&
        [ $((left + line_width)) -lt $((w * 15 / 16)) ]
}
# The dialog's sample shows the colours; the background covers little.
settings_shown() { screenshot && shows 153,51,102 && shows 255,255,0 && ! mostly 153,51,102; }

for scale in 1 2; do
    "${session[@]}" weston --backend=headless-backend.so --use-pixman --debug --no-config \
        --idle-time=0 --socket=lumidex-test --width=1024 --height=768 --scale="$scale" \
        >"$scratch/weston.log" 2>&1 &
    weston=$!
    within 20 test -S "$scratch/run/lumidex-test" || { cat "$scratch/weston.log" >&2; exit 1; }

    "${session[@]}" "$lumidex" /s 2>"$scratch/lumidex.log" &
    within 10 saver_shown || fail "scale $scale: no countdown over the whole output"
    heights[scale]=$(cut -d' ' -f4 <<<"$box")
    end_run "the saver at scale $scale" $! "$scratch/lumidex.log"

    if [ "$scale" -eq 1 ]; then
        "${session[@]}" "$lumidex" /c 2>"$scratch/lumidex.log" &
        within 10 settings_shown || fail "the settings dialog does not show"
        end_run "the settings dialog" $! "$scratch/lumidex.log"
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
done

echo "countdown line: ${heights[1]:-?} pixels high at scale 1, ${heights[2]:-?} at scale 2"
# Within 2 pixels: antialiased edges of the taller glyphs differ by a pixel or two.
doubled "the countdown line's height at scale 2" "${heights[1]:-0}" "${heights[2]:-0}" 2
[ "$failures" -eq 0 ] || exit 1
echo "the saver and the settings ran on Wayland at scale 1 and 2"
