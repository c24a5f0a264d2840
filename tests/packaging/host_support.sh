# shellcheck shell=bash disable=SC2034,SC2154 # "build" comes from, "as_nobody" goes to the test
# Sourced by the host tests after "build" is set, with the host's tools as arguments:
#   source host_support.sh TOOL...
# Installs the build into a scratch prefix, gives user nobody a home whose settings show
# colours no other program here uses, and starts an Xvfb of the test's own. What the test
# starts goes into "started" and is stopped at the end, with everything it started.
for tool in "$@" Xvfb setpriv import convert; do
    command -v "$tool" >/dev/null || { echo "no $tool: skipped"; exit 77; }
done
scratch=$(mktemp -d)
chmod 755 "$scratch"
started=()
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# The processes descending from process $1, one a line (ps pads the numbers with blanks).
descendants() {
    local child
    for child in $(ps -o pid= --ppid "$1"); do
        echo "$child"
        descendants "$child"
    done
}
finish() {
    local status=$? pid
    for pid in "${started[@]}"; do
        # shellcheck disable=SC2046 # one PID a word
        kill $(descendants "$pid") "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$scratch"
    exit "$status"
}
trap finish EXIT
# Polls COMMAND every 50 ms for up to SECONDS.
within() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.05
    done
}

DESTDIR=$scratch/stage cmake --install "$build" --prefix /usr >/dev/null
home=$scratch/home
mkdir -p "$home/.config/Vantrel" "$home/runtime"
# Background RGB(153, 51, 102), red title, yellow countdown line.
printf '%s\n' '[Settings]' 'Background=6697881' 'Title=Moon landing' 'Date=6/15/2030' \
    'ImageUsed=1' >"$home/.config/Vantrel/Lumidex.conf"
chown -R 65534:65534 "$home"
chmod 700 "$home/runtime"

# Xvfb picks a free display and writes its number; -ac lets nobody's processes connect.
Xvfb -displayfd 3 -screen 0 1024x768x24 -ac -nolisten tcp -noreset 3>"$scratch/display" \
    >"$scratch/xvfb.log" 2>&1 &
started+=($!)
within 20 test -s "$scratch/display" || { cat "$scratch/xvfb.log" >&2; exit 1; }
export DISPLAY=:$(cat "$scratch/display")

# "${as_nobody[@]}" [NAME=VALUE...] COMMAND...: hosts refuse to run programs as root.
as_nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups env -i HOME="$home"
    DISPLAY="$DISPLAY" PATH="$scratch/stage/usr/bin:/usr/bin:/bin")
# The running lumidex programs among the descendants of process $1.
lumidex_under() {
    local pids
    pids=$(descendants "$1" | paste -sd,)
    [ -z "$pids" ] || { ps -o pid=,stat=,comm= -p "$pids" || true; } |
        awk '$2 !~ /^Z/ && $3 == "lumidex" { print $1 }'
}
started_under() { pid=$(lumidex_under "$1"); [ -n "$pid" ]; }
gone_under() { [ -z "$(lumidex_under "$1")" ]; }
colours_shown() {
    import -window root "$scratch/screen.png" 2>/dev/null || return 1
    local histogram
    histogram=$(convert "$scratch/screen.png" -format %c histogram:info:- | sort -rn)
    head -1 <<<"$histogram" | grep -q '(153,51,102)' &&
        grep -q '(255,0,0)' <<<"$histogram" && grep -q '(255,255,0)' <<<"$histogram"
}

# host_round HOST_PID: one blanking through the test's "activate" and "deactivate". The
# host starts the installed program in a window of its own, the countdown shows, and the
# program ends within a second. Keeps the screenshot in $screenshot when that is set.
host_round() {
    local pid start elapsed
    activate
    within 20 started_under "$1" || { fail "no lumidex"; return; }
    [ "$(readlink -f "/proc/$pid/exe")" = \
        "$(readlink -f "$scratch/stage/usr/libexec/xscreensaver/lumidex")" ] ||
        fail "the host ran $(readlink -f "/proc/$pid/exe"), not the installed program"
    tr '\0' '\n' <"/proc/$pid/environ" | grep -q '^XSCREENSAVER_WINDOW=0x' ||
        fail "the host named no window for lumidex to draw in"
    within 10 colours_shown || fail "the screen does not show the countdown's colours"
    [ -z "${screenshot:-}" ] || cp "$scratch/screen.png" "$screenshot"
    # A zombie waiting to be reaped has ended. Asked to stop just after starting the
    # program, the XScreenSaver daemon once took 5 s to act: the pause leaves it out.
    sleep 1
    start=$(date +%s%N)
    deactivate
    within 5 gone_under "$1" || fail "lumidex still runs 5 s after deactivation"
    elapsed=$((($(date +%s%N) - start) / 1000000))
    echo "ended $elapsed ms after deactivation"
    [ "$elapsed" -le 1000 ] || fail "lumidex took $elapsed ms to end"
}

# host_verdict HOST_PID LOG: the host still runs and lumidex wrote nothing into its log
# (where MATE's prefixes each line with "command output: ").
host_verdict() {
    ! grep -E '(^|output: )(lumidex:|qt\.)|QStandardPaths' "$2" ||
        fail "lumidex wrote into the host's log"
    kill -0 "$1" 2>/dev/null || fail "the host is gone"
    [ "$failures" -eq 0 ] || { cat "$2" >&2; exit 1; }
}
