#!/usr/bin/env bash
# Peak memory of a full-screen saver run on a 1920x1080 Xvfb with JPEG photographs of
# growing size and a large BMP, at the stored size factors 0 and 10. Prints figures,
# passes or fails nothing.
#
#   bench/picture_memory.sh        # about half a minute, plus the build

set -euo pipefail

# shellcheck source-path=SCRIPTDIR/.. source=scripts/setup.sh
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/setup.sh"

SCREEN=1920x1080
PICTURES=(1000x750.jpg 4000x3000.jpg 12000x9000.jpg 4000x3000.bmp)
FACTORS=(0 10)
SETTLE_SECONDS=3 # the first frames, the picture decoded and drawn

lumidex_with_test_packages
lumidex_install_packages
lumidex_quietly lumidex_build_programs
LUMIDEX=$LUMIDEX_BUILD/app/lumidex

work=$(mktemp -d "${TMPDIR:-/tmp}/lumidex-picture-memory.XXXXXX")
started=()
clean_up() {
    local pid
    for pid in "${started[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap clean_up EXIT

display=:$((100 + RANDOM % 400))
Xvfb "$display" -screen 0 "${SCREEN}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
started+=($!)
for _ in $(seq 100); do
    xdpyinfo -display "$display" >/dev/null 2>&1 && break
    sleep 0.1
done

export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime DISPLAY=$display
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

printf '| picture | file MB | factor | peak RSS MB |\n|---|--:|--:|--:|\n'
for picture in "${PICTURES[@]}"; do
    file=$work/photo-$picture
    # BMP3: the uncompressed BMP every program writes.
    format=$([ "${picture##*.}" = bmp ] && echo BMP3: || true)
    convert -size "${picture%.*}" gradient:navy-orange -quality 90 "$format$file"
    for factor in "${FACTORS[@]}"; do
        mkdir -p "$XDG_CONFIG_HOME/Vantrel"
        printf '[Settings]\nImageUsed=1\nImagePath=%s\nImageName=%s\nImageSize=%s\nDate=2030-01-01\n' \
            "$work" "$(basename "$file")" "$factor" >"$XDG_CONFIG_HOME/Vantrel/Lumidex.conf"
        "$LUMIDEX" /s 2>/dev/null &
        pid=$!
        started+=("$pid")
        sleep "$SETTLE_SECONDS"
        peak_kb=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status")
        kill "$pid"
        wait "$pid" 2>/dev/null || true
        printf '| %s | %.1f | %s | %.1f |\n' "$picture" \
            "$(echo "$(stat -c %s "$file") / 1048576" | bc -l)" "$factor" \
            "$(echo "$peak_kb / 1024" | bc -l)"
    done
done
