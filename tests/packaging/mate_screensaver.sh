#!/usr/bin/env bash
# shellcheck disable=SC2015,SC2016 # the single-quoted $ expands in the shells started
# mate_screensaver.sh BUILD_DIR
# Installs the build into a scratch prefix and lets MATE's screen saver run it on an Xvfb
# and in a D-Bus session of its own: with Lumidex chosen as its one theme, --activate
# blanks and starts "lumidex --root" from the installed desktop entry, which draws the
# countdown, and --deactivate ends it.
set -euo pipefail
build=$1
# The daemon runs only programs in the folders it knows, /usr/libexec/xscreensaver among
# them: the test mounts the install's over it, in a mount namespace of the daemon's own.
[ "$(id -u)" -eq 0 ] && [ -d /usr/libexec/xscreensaver ] ||
    { echo "not root, or no /usr/libexec/xscreensaver: skipped"; exit 77; }
# shellcheck source=tests/packaging/host_support.sh
source "$(dirname "${BASH_SOURCE[0]}")/host_support.sh" mate-screensaver \
    mate-screensaver-command dbus-run-session gsettings unshare

# In the session: the theme, no lock (it would ask for a password to deactivate), then the
# daemon, which logs its programs' standard error only with --debug. The session's address
# is left for mate-screensaver-command.
printf '%s\n' 'echo "$DBUS_SESSION_BUS_ADDRESS" >"$HOME/bus"' \
    'gsettings set org.mate.screensaver lock-enabled false' \
    'gsettings set org.mate.screensaver mode single' \
    "gsettings set org.mate.screensaver themes \"['screensavers-lumidex']\"" \
    'exec mate-screensaver --no-daemon --debug' >"$scratch/session.sh"
# As in a MATE session, whose desktop the entry is shown in; no accessibility bus.
unshare -m --propagation private sh -c 'mount --bind "$0" /usr/libexec/xscreensaver &&
    exec "$@"' "$scratch/stage/usr/libexec/xscreensaver" "${as_nobody[@]}" NO_AT_BRIDGE=1 \
    XDG_CURRENT_DESKTOP=MATE XDG_DATA_DIRS="$scratch/stage/usr/share:/usr/share" \
    XDG_RUNTIME_DIR="$home/runtime" dbus-run-session -- bash "$scratch/session.sh" \
    >"$scratch/daemon.log" 2>&1 &
ask() { "${as_nobody[@]}" DBUS_SESSION_BUS_ADDRESS="$(cat "$home/bus")" \
    mate-screensaver-command "$@"; }
answers() { [ -s "$home/bus" ] && ask --query >/dev/null 2>&1; }
activate() { ask --activate >/dev/null; }
deactivate() { ask --deactivate >/dev/null; }
host_test $! 1
echo "MATE's screen saver ran and ended lumidex"
