#!/usr/bin/env bash
# The saver's running cost against XScreenSaver's fontglide, on virtual 1920x1080 and
# 3840x2160 screens, and on two 1920x1080 monitors side by side (the saver alone): CPU of the drawing program and of the X server, timer ticks
# achieved, time to the first frame, peak memory. Prints figures, passes or fails nothing.
#
#   bench/saver_cost.sh            # about 3 minutes, plus the build
#
# LUMIDEX_BENCH_SECONDS changes the 20 s measuring window of each case;
# LUMIDEX_BENCH_SCREENS the screens, e.g. "1920x1080 2x1920x1080".

set -euo pipefail

# shellcheck source-path=SCRIPTDIR/.. source=scripts/setup.sh
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/setup.sh"

WINDOW_SECONDS=${LUMIDEX_BENCH_SECONDS:-20}
WARMUP_SECONDS=2 # start-up is not running cost: the window opens after it
EXTRA_STARTS=4   # short runs besides the long one: the first frame is timed on each
read -ra SCREENS <<<"${LUMIDEX_BENCH_SCREENS:-1920x1080 3840x2160 2x1920x1080}"
SPEEDS=(10 5)
FONTGLIDE=/usr/libexec/xscreensaver/fontglide
CLOCK_TICKS=$(getconf CLK_TCK)

# fontglide, the reference, is needed here only.
LUMIDEX_PACKAGES+=(xscreensaver-data-extra)
lumidex_with_test_packages
lumidex_install_packages

build_log="$LUMIDEX_BUILD.bench.log"
echo "Building (log: $build_log)" >&2
if ! lumidex_build >"$build_log" 2>&1; then
    # Parts being worked on elsewhere (a test suite, say) must not stop the figures.
    echo "The full build failed; building only what the benchmark runs" >&2
    if ! cmake --build "$LUMIDEX_BUILD" -j "$(nproc)" --target bench_saver host_window \
        >>"$build_log" 2>&1; then
        tail -n 40 "$build_log" >&2
        exit 1
    fi
fi
BENCH_SAVER=$LUMIDEX_BUILD/bench/bench_saver
HOST_WINDOW=$LUMIDEX_BUILD/bench/host_window

work=$(mktemp -d "${TMPDIR:-/tmp}/lumidex-bench.XXXXXX")
started=() # every process started here, stopped by its id at the end

# A process that has ended and been waited for is forgotten: its id may be reused.
forget() {
    local i
    for i in "${!started[@]}"; do
        if [ "${started[i]}" = "$1" ]; then
            unset 'started[i]'
        fi
    done
}

stop_process() {
    local pid=$1
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
    fi
    wait "$pid" 2>/dev/null || true
    forget "$pid"
}

clean_up() {
    local pid
    for pid in $(printf '%s\n' "${started[@]}" | tac); do
        stop_process "$pid"
    done
    rm -rf "$work"
}
trap clean_up EXIT
trap 'exit 130' INT TERM

now_us() {
    echo "${EPOCHREALTIME/[.,]/}"
}

# utime + stime of a process (all its threads), in clock ticks.
cpu_ticks() {
    local stat fields
    stat=$(<"/proc/$1/stat")
    read -ra fields <<<"${stat##*) }" # the fields after the name: field 3 is index 0
    echo $((fields[11] + fields[12]))
}

# cutime + cstime: the children it has reaped, in clock ticks.
children_ticks() {
    local stat fields
    stat=$(<"/proc/$1/stat")
    read -ra fields <<<"${stat##*) }"
    echo $((fields[13] + fields[14]))
}

peak_rss_kb() {
    local key value rest
    while read -r key value rest; do
        if [ "$key" = "VmHWM:" ]; then
            echo "$value"
            return
        fi
    done <"/proc/$1/status"
    echo 0
}

# CPU seconds per minute from a tick delta over a window of microseconds.
per_minute() {
    awk -v t="$1" -v hz="$CLOCK_TICKS" -v us="$2" 'BEGIN { printf "%.2f", t / hz * 60e6 / us }'
}

# The saver's timer interval, 100 / (Speed + 1) ms rounded half to even, as ticks per second.
nominal_ticks_per_second() {
    local divisor=$(($1 + 1)) quotient remainder
    quotient=$((100 / divisor))
    remainder=$((100 % divisor))
    if ((2 * remainder > divisor || (2 * remainder == divisor && quotient % 2 == 1))); then
        quotient=$((quotient + 1))
    fi
    awk -v ms="$quotient" 'BEGIN { printf "%.2f", 1000 / ms }'
}

free_display() {
    local n
    for ((n = 90; n < 200; n++)); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            echo "$n"
            return 0
        fi
    done
    return 1
}

# Splits the X screen into RandR monitors of WxH side by side, as many as it holds.
split_into_monitors() {
    local width=${1%x*} height=${1#*x} left=0 n=0 primary=screen
    while ((left < $(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1] }'))); do
        xrandr --setmonitor "M$n" "$width/300x$height/200+$left+0" "$primary" >/dev/null
        primary=none left=$((left + width)) n=$((n + 1))
    done
}

# Starts Xvfb with the given screen (WxH, or NxWxH for N monitors of WxH side by side) on
# a free display; sets XVFB_PID and DISPLAY.
start_xvfb() {
    local size=$1 monitor='' display tries attempt
    if [[ $size == *x*x* ]]; then
        monitor=${size#*x}
        size="$((${size%%x*} * ${monitor%x*}))x${monitor#*x}"
    fi
    for ((attempt = 0; attempt < 5; attempt++)); do
        display=$(free_display)
        # -noreset: a desktop's X server has clients all the time. Without it the server
        # resets whenever its last client leaves (the probe below, each start before the
        # next), and the next start waits for that: 250 ms at 4K, counted as start-up.
        Xvfb ":$display" -screen 0 "${size}x24" -nolisten tcp -noreset \
            >"$work/xvfb-$display.log" 2>&1 &
        XVFB_PID=$!
        started+=("$XVFB_PID")
        for ((tries = 0; tries < 100; tries++)); do
            kill -0 "$XVFB_PID" 2>/dev/null || break # the number was taken after all
            if xdpyinfo -display ":$display" >/dev/null 2>&1; then
                export DISPLAY=":$display"
                [ -z "$monitor" ] || split_into_monitors "$monitor"
                return 0
            fi
            sleep 0.1
        done
        stop_process "$XVFB_PID"
    done
    echo "Xvfb would not start" >&2
    return 1
}

# A settings store and runtime folder of the run's own, holding the case's settings.
make_store() {
    local folder=$1 speed=$2
    mkdir -p "$folder/config/Vantrel" "$folder/runtime"
    chmod 700 "$folder/runtime"
    cat >"$folder/config/Vantrel/Lumidex.conf" <<EOF
[Settings]
ImageUsed=1
ImageIndex=4
Speed=$speed
Date=2099-01-01
IncludeDays=1
EOF
}

# The value of key=... in a line of key=value words.
field() {
    local word
    for word in $2; do
        if [ "${word%%=*}" = "$1" ]; then
            echo "${word#*=}"
            return
        fi
    done
    echo "-"
}

# The median of the numbers given, those not reached (-1, -) left out.
median() {
    printf '%s\n' "$@" | grep -E '^[0-9.]+$' | sort -n | awk '{ v[++n] = $1 }
        END {
            if (n == 0) print "-"
            else if (n % 2) printf "%.1f", v[(n + 1) / 2]
            else printf "%.1f", (v[n / 2] + v[n / 2 + 1]) / 2
        }' || echo "-"
}

# One row of figures per case, kept for the tables: screen|program|own CPU|X CPU|total|
# ticks/s|nominal|percent|first frame|RSS MB
rows=()

# Starts bench_saver in the background on the case's store, its output to OUT (which may
# be a pipe: the child opens it, so nobody waits for a reader here) and its errors added
# to the case's log; sets BENCH_PID. The exec moment is stamped in the child right before
# exec: the first frame counts from it.
start_bench_saver() {
    local folder=$1 out=$2
    shift 2
    (
        export XDG_CONFIG_HOME="$folder/config" XDG_RUNTIME_DIR="$folder/runtime"
        export QT_QPA_PLATFORM=xcb
        unset WAYLAND_DISPLAY
        LUMIDEX_BENCH_EXEC_US=${EPOCHREALTIME/[.,]/} exec "$BENCH_SAVER" "$@"
    ) >"$out" 2>>"$folder/err" &
    BENCH_PID=$!
    started+=("$BENCH_PID")
}

run_saver_case() {
    local size=$1 speed=$2 folder="$work/saver-$1-$2" fd line result pid
    local t0 t1 s0 s1 x0 x1
    make_store "$folder" "$speed"
    mkfifo "$folder/out"
    start_bench_saver "$folder" "$folder/out" "$WINDOW_SECONDS" "$WARMUP_SECONDS"
    pid=$BENCH_PID
    exec {fd}<"$folder/out"

    # Blocking reads on the pipe: the window's ends are seen as they happen, with no polling
    # to add CPU load of our own.
    line=
    read -r -t $((WARMUP_SECONDS + 60)) -u "$fd" line || true
    if [ "$line" != "window-start" ]; then
        echo "bench_saver did not start measuring (speed $speed, $size):" >&2
        cat "$folder/err" >&2
        exec {fd}<&-
        stop_process "$pid"
        return 1
    fi
    t0=$(now_us) s0=$(cpu_ticks "$pid") x0=$(cpu_ticks "$XVFB_PID")
    result=
    read -r -t $((WINDOW_SECONDS + 60)) -u "$fd" result || true
    t1=$(now_us)
    s1=$(cpu_ticks "$pid" 2>/dev/null || echo "$s0")
    x1=$(cpu_ticks "$XVFB_PID")
    exec {fd}<&-
    wait "$pid" || true
    forget "$pid"
    echo "  saver speed $speed: $result" >&2
    if [ "$(field ending "$result")" != "normal" ]; then
        echo "bench_saver, speed $speed on $size, ended early: $result" >&2
        cat "$folder/err" >&2
    fi

    # One start is a poor sample of start-up time on a shared machine: a few more, short.
    local frames i quick
    frames=("$(field first_frame_ms "$result")")
    for ((i = 0; i < EXTRA_STARTS; i++)); do
        start_bench_saver "$folder" "$folder/quick" 0.5 0 0
        quick=$BENCH_PID
        wait "$quick" || true
        forget "$quick"
        frames+=("$(field first_frame_ms "$(grep '^result' "$folder/quick" || true)")")
    done
    echo "  saver speed $speed, first frame ms of each start: ${frames[*]}" >&2

    local own x total nominal achieved percent frame rss
    own=$(per_minute $((s1 - s0)) $((t1 - t0)))
    x=$(per_minute $((x1 - x0)) $((t1 - t0)))
    total=$(awk -v a="$own" -v b="$x" 'BEGIN { printf "%.2f", a + b }')
    nominal=$(nominal_ticks_per_second "$speed")
    achieved=$(field ticks_per_s "$result")
    percent=$(awk -v a="$achieved" -v n="$nominal" 'BEGIN { printf "%.1f", 100 * a / n }')
    frame=$(median "${frames[@]}")
    rss=$(awk -v k="$(field vmhwm_kb "$result")" 'BEGIN { printf "%.1f", k / 1024 }')
    rows+=("$size|saver, speed $speed|$own|$x|$total|$achieved|$nominal|$percent|$frame|$rss")
}

run_fontglide_case() {
    local size=$1 folder="$work/fontglide-$1" fd window host reference
    local t0 t1 f0 f1 c0 c1 x0 x1 rss
    mkdir -p "$folder"
    mkfifo "$folder/host"
    "$HOST_WINDOW" >"$folder/host" 2>"$folder/host.err" &
    host=$!
    started+=("$host")
    exec {fd}<"$folder/host"
    window=
    read -r -t 10 -u "$fd" window || true
    exec {fd}<&-
    if [ -z "$window" ]; then
        echo "host_window made no window:" >&2
        cat "$folder/host.err" >&2
        return 1
    fi
    # As XScreenSaver starts a hack: --root, and the window to draw in from the environment.
    XSCREENSAVER_WINDOW=$window "$FONTGLIDE" --root --mode scroll \
        --program "echo Lumidex countdown" >"$folder/fontglide.log" 2>&1 &
    reference=$!
    started+=("$reference")
    sleep "$WARMUP_SECONDS"
    t0=$(now_us) f0=$(cpu_ticks "$reference") c0=$(children_ticks "$reference")
    x0=$(cpu_ticks "$XVFB_PID")
    sleep "$WINDOW_SECONDS"
    t1=$(now_us) f1=$(cpu_ticks "$reference") c1=$(children_ticks "$reference")
    x1=$(cpu_ticks "$XVFB_PID")
    rss=$(awk -v k="$(peak_rss_kb "$reference")" 'BEGIN { printf "%.1f", k / 1024 }')
    stop_process "$reference"
    stop_process "$host"

    local own x total children
    own=$(per_minute $((f1 - f0)) $((t1 - t0)))
    x=$(per_minute $((x1 - x0)) $((t1 - t0)))
    total=$(awk -v a="$own" -v b="$x" 'BEGIN { printf "%.2f", a + b }')
    children=$(per_minute $((c1 - c0)) $((t1 - t0)))
    rows+=("$size|fontglide|$own|$x|$total|-|-|-|-|$rss")
    echo "  fontglide: text program children $children CPU s/min (not in the tables)" >&2
}

# (saver + X server) / (fontglide + X server), at speed 10, for one screen.
ratio_for() {
    local size=$1 row saver='' reference='' f
    for row in "${rows[@]}"; do
        IFS='|' read -ra f <<<"$row"
        [ "${f[0]}" = "$size" ] || continue
        [ "${f[1]}" = "saver, speed 10" ] && saver=${f[4]}
        [ "${f[1]}" = "fontglide" ] && reference=${f[4]}
    done
    if [ -n "$saver" ] && [ -n "$reference" ]; then
        awk -v a="$saver" -v b="$reference" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'
    else
        echo "-"
    fi
}

# Other work on the machine shows in every figure: the load is printed with them.
read -r load_before _ </proc/loadavg
for size in "${SCREENS[@]}"; do
    echo "Screen $size" >&2
    start_xvfb "$size"
    for speed in "${SPEEDS[@]}"; do
        run_saver_case "$size" "$speed"
    done
    # fontglide draws into one window: it has nothing to show on monitors.
    [[ $size == *x*x* ]] || run_fontglide_case "$size"
    stop_process "$XVFB_PID"
done

read -r load_after _ </proc/loadavg
model=$(lscpu | sed -n 's/^Model name: *//p' | head -n 1)
cpus=$(nproc)
cores=$(lscpu | awk -F: '/^Core\(s\) per socket/ { c = $2 } /^Socket\(s\)/ { s = $2 }
    END { if (c && s) print c * s }')
today=$(date +%Y-%m-%d)
reference_version=$(dpkg-query -W -f='${Version}' xscreensaver-data-extra 2>/dev/null || echo '?')
machine="$model, ${cores:-?} cores ($cpus CPUs), Debian $(cat /etc/debian_version 2>/dev/null || echo '?'), Xvfb"

echo
echo "Saver cost, ${WINDOW_SECONDS} s per case after ${WARMUP_SECONDS} s of warm-up; $machine; $today"
echo "CPU in seconds per minute (utime + stime over the window); picture 150 x 99 (Hammock)."
echo "Load average (1 min) before the run $load_before, after it $load_after."
echo "fontglide from xscreensaver-data-extra $reference_version, --mode scroll, in a full-screen window."
echo "* median of $((EXTRA_STARTS + 1)) starts, from exec to the frame handled by the X server."
for size in "${SCREENS[@]}"; do
    echo
    echo "Screen $size"
    printf '  %-16s %10s %10s %10s %24s %12s %12s\n' case "own s/min" "X s/min" "total" \
        "ticks/s (nominal, %)" "1st frame ms*" "peak RSS MB"
    for row in "${rows[@]}"; do
        IFS='|' read -ra f <<<"$row"
        [ "${f[0]}" = "$size" ] || continue
        if [ "${f[5]}" = "-" ]; then
            ticks="-"
        else
            ticks="${f[5]} (${f[6]}, ${f[7]}%)"
        fi
        printf '  %-16s %10s %10s %10s %24s %12s %12s\n' "${f[1]}" "${f[2]}" "${f[3]}" "${f[4]}" \
            "$ticks" "${f[8]}" "${f[9]}"
    done
    echo "  speed 10: (saver + X server) / (fontglide + X server) = $(ratio_for "$size")"
done

echo
echo "Markdown:"
echo
echo "Measured $today by \`bench/saver_cost.sh\` on $machine: ${WINDOW_SECONDS} s per case after"
echo "${WARMUP_SECONDS} s of warm-up, picture 150 × 99, CPU in seconds per minute; load average"
echo "$load_before before the run, $load_after after it. fontglide: xscreensaver-data-extra"
echo "$reference_version, \`--mode scroll\`, drawing into a full-screen window."
echo
echo "| screen | program | own CPU s/min | X server CPU s/min | total s/min | ticks/s achieved (nominal) | first frame ms (median of $((EXTRA_STARTS + 1))) | peak RSS MB | total vs fontglide |"
echo "|---|---|--:|--:|--:|--:|--:|--:|--:|"
for row in "${rows[@]}"; do
    IFS='|' read -ra f <<<"$row"
    if [ "${f[5]}" = "-" ]; then
        ticks="–"
    else
        ticks="${f[5]} (${f[6]}, ${f[7]} %)"
    fi
    versus="–"
    [ "${f[1]}" = "saver, speed 10" ] && [ "$(ratio_for "${f[0]}")" != - ] &&
        versus="$(ratio_for "${f[0]}")×"
    frame=${f[8]}
    [ "$frame" = "-" ] && frame="–"
    echo "| ${f[0]//x/ × } | ${f[1]} | ${f[2]} | ${f[3]} | ${f[4]} | $ticks | $frame | ${f[9]} | $versus |"
done
