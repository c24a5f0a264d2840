#!/usr/bin/env bash
# xscreensaver_daemon.sh BUILD_DIR [SCREENSHOT]
# Installs the build into a scratch prefix and lets the real XScreenSaver daemon run it
# on an Xvfb of its own: the daemon blanks, starts "lumidex --root" in its window, and
# ends it again on -deactivate. SCREENSHOT, when given, keeps the blanked screen.
set -euo pipefail
build=$1
screenshot=${2:-}
for tool in xscreensaver xscreensaver-command Xvfb setpriv xwininfo xprop import convert; do
    command -v "$tool" >/dev/null || { echo "no $tool: skipped"; exit 77; }
done
# The daemon refuses to run programs as root; it runs as nobody.
runner=(setpriv --reuid=65534 --regid=65534 --clear-groups)

scratch=$(mktemp -d)
xvfb_pid=
daemon_pid=
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
finish() {
    local status=$?
    local started
    for started in "$daemon_pid" "$xvfb_pid"; do
        [ -n "$started" ] || continue
        kill "$started" 2>/dev/null || true
        wait "$started" 2>/dev/null || true
    done
    rm -rf "$scratch"
    exit "$status"
}
trap finish EXIT
chmod 755 "$scratch"

DESTDIR=$scratch/stage cmake --install "$build" --prefix /usr >/dev/null
home=$scratch/home
mkdir -p "$home/.config/Vantrel" "$home/runtime"
# fade, lock and splash would delay or cover the program; mode "one" runs the first program.
cat >"$home/.xscreensaver" <<'EOF'
timeout:	1:00:00
cycle:		0
lock:		False
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
mode:		one
selected:	0
programs:	"Lumidex"  lumidex --root  \n
EOF
# Colours no other program on this screen uses: background 0x663399 is RGB(153, 51, 102),
# the title red, the countdown yellow.
cat >"$home/.config/Vantrel/Lumidex.conf" <<'EOF'
[Settings]
Background=6697881
Title=Moon landing
Date=6/15/2030
TextFontColor0=255
TextFontColor1=65535
ImageUsed=1
ImageIndex=1
EOF
chown -R 65534:65534 "$home"
chmod 700 "$home/runtime"

# Xvfb picks a free display and writes its number; -ac lets nobody's processes connect.
Xvfb -displayfd 3 -screen 0 1024x768x24 -ac -nolisten tcp -noreset \
    3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
xvfb_pid=$!

# Polls COMMAND every 50 ms for up to SECONDS.
within() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.05
    done
}
display_known() { [ -s "$scratch/display" ]; }
within 20 display_known || { cat "$scratch/xvfb.log" >&2; echo "FAIL: no Xvfb" >&2; exit 1; }
export DISPLAY=:$(cat "$scratch/display")

"${runner[@]}" env -i PATH="$scratch/stage/usr/bin:/usr/bin:/bin" HOME="$home" \
    DISPLAY="$DISPLAY" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/runtime" \
    xscreensaver -no-splash -verbose >"$scratch/daemon.log" 2>&1 &
daemon_pid=$!
daemon_answers() { xscreensaver-command -version >/dev/null 2>&1; }
within 20 daemon_answers || { cat "$scratch/daemon.log" >&2; echo "FAIL: no daemon" >&2; exit 1; }

xscreensaver-command -activate >/dev/null
ours() { pgrep -u 65534 -x lumidex; }
found_ours() { pid=$(ours); }
within 20 found_ours || { cat "$scratch/daemon.log" >&2; echo "FAIL: lumidex did not start" >&2; exit 1; }
[ "$(readlink -f "/proc/$pid/exe")" = "$(readlink -f "$scratch/stage/usr/libexec/xscreensaver/lumidex")" ] \
    || fail "the daemon ran $(readlink -f "/proc/$pid/exe"), not the installed program"
host=$(tr '\0' '\n' <"/proc/$pid/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p')
[ -n "$host" ] || fail "the daemon gave no XSCREENSAVER_WINDOW"

# Our window is a child of the daemon's, and belongs to our process.
child_of_host() {
    local window
    for window in $(xwininfo -children -id "$host" 2>/dev/null | awk '/^ +0x/ {print $1}'); do
        xprop -id "$window" _NET_WM_PID 2>/dev/null | grep -qx "_NET_WM_PID(CARDINAL) = $pid" \
            && return 0
    done
    return 1
}
within 10 child_of_host || fail "no window of process $pid inside the daemon's window $host"

# The screen shows the background with red and yellow text on it.
colours_shown() {
    import -window root "$scratch/screen.png" 2>/dev/null || return 1
    local histogram
    histogram=$(convert "$scratch/screen.png" -format %c histogram:info:- | sort -rn)
    head -1 <<<"$histogram" | grep -q '(153,51,102)' \
        && grep -q '(255,0,0)' <<<"$histogram" && grep -q '(255,255,0)' <<<"$histogram"
}
within 10 colours_shown || fail "the screen does not show the countdown's colours"
[ -z "$screenshot" ] || cp "$scratch/screen.png" "$screenshot"

# -deactivate: the daemon sends SIGTERM and the program ends (it may stay a zombie until
# the daemon reaps it).
ended() { [ ! -e "/proc/$pid" ] || [ "$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null)" = Z ]; }
start=$(date +%s%N)
xscreensaver-command -deactivate >/dev/null
within 5 ended || fail "lumidex still runs 5 s after -deactivate"
elapsed=$((($(date +%s%N) - start) / 1000000))
echo "ended $elapsed ms after -deactivate"
[ "$elapsed" -le 1000 ] || fail "lumidex took $elapsed ms to end after -deactivate"
gone() { [ -z "$(ours)" ]; }
within 5 gone || fail "a lumidex process is left: $(ours)"

# Blanking again starts a fresh run in the daemon's new window.
xscreensaver-command -activate >/dev/null
within 20 found_ours || fail "lumidex did not start a second time"
xscreensaver-command -deactivate >/dev/null
within 5 gone || fail "the second run did not end"

# The program reported nothing: no message lines in the daemon's output.
if grep -q '^lumidex:' "$scratch/daemon.log"; then
    fail "lumidex wrote to standard error: $(grep '^lumidex:' "$scratch/daemon.log")"
fi
running_daemon() { kill -0 "$daemon_pid" 2>/dev/null; }
running_daemon || fail "the daemon is gone"

if [ "$failures" -ne 0 ]; then
    echo "--- daemon log" >&2
    cat "$scratch/daemon.log" >&2
    exit 1
fi
echo "the XScreenSaver daemon ran and ended lumidex"
