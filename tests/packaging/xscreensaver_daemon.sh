#!/usr/bin/env bash
# xscreensaver_daemon.sh BUILD_DIR [SCREENSHOT]
# Installs the build into a scratch prefix and lets the real XScreenSaver daemon run it on
# an Xvfb of its own: the daemon blanks, starts "lumidex --root" in its window, and ends it
# again on -deactivate, twice. SCREENSHOT, when given, keeps the blanked screen.
set -euo pipefail
build=$1
screenshot=${2:-}
# shellcheck source=tests/packaging/host_support.sh
source "$(dirname "${BASH_SOURCE[0]}")/host_support.sh" xscreensaver xscreensaver-command

# Fading, locking and the splash would delay or cover the program; "one" runs program 0.
printf '%s\n' 'lock: False' 'fade: False' 'unfade: False' 'splash: False' \
    'dpmsEnabled: False' 'mode: one' 'selected: 0' 'programs: "Lumidex" lumidex --root \n' \
    >"$home/.xscreensaver"
chown 65534:65534 "$home/.xscreensaver"
"${as_nobody[@]}" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/runtime" \
    xscreensaver -no-splash -verbose >"$scratch/daemon.log" 2>&1 &
answers() { xscreensaver-command -version >/dev/null 2>&1; }
activate() { xscreensaver-command -activate >/dev/null; }
deactivate() { xscreensaver-command -deactivate >/dev/null; }
host_test $! 2
echo "the XScreenSaver daemon ran and ended lumidex twice"
