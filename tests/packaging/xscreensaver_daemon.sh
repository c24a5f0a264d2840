#!/usr/bin/env bash
# xscreensaver_daemon.sh BUILD_DIR [SCREENSHOT]
# Installs the build into a scratch prefix and lets the real XScreenSaver daemon run it on
# an Xvfb of its own: the daemon blanks, starts "lumidex --root" in its window, and ends it
# again on -deactivate, twice. SCREENSHOT, when given, keeps the blanked screen.
set -euo pipefail
build=$1
screenshot=${2:-}
for tool in xscreensaver xscreensaver-command Xvfb setpriv import convert; do
    command -v "$tool" >/dev/null || { echo "no $tool: skipped"; exit 77; }
done
scratch=$(mktemp -d)
chmod 755 "$scratch"
started=()
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
finish() {
    local status=$? pid
    for pid in "${started[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
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
# Fading, locking and the splash would delay or cover the program; "one" runs program 0.
printf '%s\n' 'lock: False' 'fade: False' 'unfade: False' 'splash: False' \
    'dpmsEnabled: False' 'mode: one' 'selected: 0' 'programs: "Lumidex" lumidex --root \n' \
    >"$home/.xscreensaver"
# Colours no other program here uses: background RGB(153, 51, 102), red title, yellow line.
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

# The daemon refuses to run programs as root: it runs as nobody, in a home of its own.
setpriv --reuid=65534 --regid=65534 --clear-groups env -i HOME="$home" DISPLAY="$DISPLAY" \
    PATH="$scratch/stage/usr/bin:/usr/bin:/bin" XDG_CONFIG_HOME="$home/.config" \
    XDG_RUNTIME_DIR="$home/runtime" xscreensaver -no-splash -verbose \
    >"$scratch/daemon.log" 2>&1 &
daemon=$!
started+=("$daemon")
answers() { xscreensaver-command -version >/dev/null 2>&1; }
within 20 answers || { cat "$scratch/daemon.log" >&2; exit 1; }

# The lumidex this daemon started: a running one among its descendants, whoever else
# runs one.
ours() {
    local pid up
    for pid in $(pgrep -x lumidex); do
        up=$pid
        while [ "$up" -gt 1 ] && [ "$up" != "$daemon" ]; do
            up=$(awk '{print $4}' "/proc/$up/stat" 2>/dev/null || echo 1)
        done
        [ "$up" = "$daemon" ] && [ "$(awk '{print $3}' "/proc/$pid/stat")" != Z ] && echo "$pid"
    done
    return 0
}
found() { pid=$(ours); [ -n "$pid" ]; }
gone() { [ -z "$(ours)" ]; }
colours_shown() {
    import -window root "$scratch/screen.png" 2>/dev/null || return 1
    local histogram
    histogram=$(convert "$scratch/screen.png" -format %c histogram:info:- | sort -rn)
    head -1 <<<"$histogram" | grep -q '(153,51,102)' &&
        grep -q '(255,0,0)' <<<"$histogram" && grep -q '(255,255,0)' <<<"$histogram"
}

for round in 1 2; do
    xscreensaver-command -activate >/dev/null
    within 20 found || { cat "$scratch/daemon.log" >&2; echo "FAIL: no lumidex" >&2; exit 1; }
    program=$(readlink -f "/proc/$pid/exe")
    [ "$program" = "$(readlink -f "$scratch/stage/usr/libexec/xscreensaver/lumidex")" ] ||
        fail "the daemon ran $program, not the installed program"
    tr '\0' '\n' <"/proc/$pid/environ" | grep -q '^XSCREENSAVER_WINDOW=0x' ||
        fail "the daemon named no window for lumidex to draw in"
    within 10 colours_shown || fail "the screen does not show the countdown's colours"
    [ -z "$screenshot" ] || cp "$scratch/screen.png" "$screenshot"
    # The daemon sends SIGTERM; a zombie waiting to be reaped has ended. Asked to stop just
    # after starting the program, the daemon once took 5 s to act: the pause leaves it out.
    sleep 1
    start=$(date +%s%N)
    xscreensaver-command -deactivate >/dev/null
    within 5 gone || fail "lumidex still runs 5 s after -deactivate"
    elapsed=$((($(date +%s%N) - start) / 1000000))
    echo "round $round: ended $elapsed ms after -deactivate"
    [ "$elapsed" -le 1000 ] || fail "lumidex took $elapsed ms to end"
done

! grep '^lumidex:' "$scratch/daemon.log" || fail "lumidex wrote to standard error"
kill -0 "$daemon" 2>/dev/null || fail "the daemon is gone"
[ "$failures" -eq 0 ] || { cat "$scratch/daemon.log" >&2; exit 1; }
echo "the XScreenSaver daemon ran and ended lumidex twice"
