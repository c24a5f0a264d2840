# shellcheck shell=bash disable=SC2034,SC2154 # "build" comes from, "as_nobody" goes to the test
# Sourced by the host tests after "build" is set, with the host's tools as arguments:
#   source host_support.sh TOOL...
# Installs the build into a scratch prefix, gives user nobody a home with the plum settings
# and starts an Xvfb of the test's own.
# shellcheck source=tests/sessions/session_support.sh
source "$(dirname "${BASH_SOURCE[0]}")/../sessions/session_support.sh" "$@" Xvfb setpriv \
    import convert
chmod 755 "$scratch"
DESTDIR=$scratch/stage cmake --install "$build" --prefix /usr >/dev/null
home=$scratch/home
install -d -m 700 "$home/runtime"
settings "$home/.config" 'ImageUsed=1'
chown -R 65534:65534 "$home"
# -ac lets nobody's processes connect.
xvfb 1024x768x24 -ac

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
    import -window root "$scratch/screen.png" 2>/dev/null && colours "$scratch/screen.png" &&
        mostly 153,51,102 && shows 255,0,0 && shows 255,255,0
}

# host_test HOST_PID ROUNDS: once the test's "answers" does, ROUNDS blankings through its
# "activate" and "deactivate". The host starts the installed program in a window of its own,
# the countdown shows, and the program ends within a second; the screenshot is kept in
# $screenshot when that is set. At the end the host still runs and lumidex wrote nothing into
# its log (MATE's prefixes lines "command output: ").
host_test() {
    local log=$scratch/daemon.log round pid start elapsed
    within 20 answers || { cat "$log" >&2; exit 1; }
    for ((round = 1; round <= $2; round++)); do
        echo -n "round $round: "
        activate
        within 20 started_under "$1" || { fail "no lumidex"; continue; }
        [ "$(readlink -f "/proc/$pid/exe")" = \
            "$(readlink -f "$scratch/stage/usr/libexec/xscreensaver/lumidex")" ] ||
            fail "the host ran $(readlink -f "/proc/$pid/exe"), not the installed program"
        tr '\0' '\n' <"/proc/$pid/environ" | grep -q '^XSCREENSAVER_WINDOW=0x' ||
            fail "the host named no window for lumidex to draw in"
        within 10 colours_shown || fail "the screen does not show the countdown's colours"
        [ -z "${screenshot:-}" ] || cp "$scratch/screen.png" "$screenshot"
        # Asked to stop just after starting the program, the XScreenSaver daemon once took
        # 5 s to act: the pause leaves it out.
        sleep 1
        start=$(date +%s%N)
        deactivate
        within 5 gone_under "$1" || fail "lumidex still runs 5 s after deactivation"
        elapsed=$((($(date +%s%N) - start) / 1000000))
        echo "ended $elapsed ms after deactivation"
        [ "$elapsed" -le 1000 ] || fail "lumidex took $elapsed ms to end"
    done
    ! grep -E '(^|output: )(lumidex:|qt\.)|QStandardPaths' "$log" ||
        fail "lumidex wrote into the host's log"
    kill -0 "$1" 2>/dev/null || fail "the host is gone"
    [ "$failures" -eq 0 ] || { cat "$log" >&2; exit 1; }
}
