#!/usr/bin/env bash
# The saver's memory over a long run (bench/soak.cpp): ten million motion steps, then an
# hour's worth of painted ticks offscreen, at speeds 5 and 10. Prints figures and the
# machine they come from; passes or fails nothing.
#
#   bench/soak.sh [MOTION_TICKS [PAINTED_SECONDS]]    # about 3 minutes, plus the build

set -euo pipefail

# shellcheck source-path=SCRIPTDIR/.. source=scripts/setup.sh
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/setup.sh"

MOTION_TICKS=${1:-10000000}
PAINTED_SECONDS=${2:-3600}

lumidex_with_test_packages
lumidex_install_packages
cmake -S "$LUMIDEX_ROOT" -B "$LUMIDEX_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMIDEX_BENCH=ON >/dev/null
cmake --build "$LUMIDEX_BUILD" -j "$(nproc)" --target soak >/dev/null

echo "machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p'), load $(cut -d' ' -f1-3 /proc/loadavg)"
for speed in 5 10; do
    echo "== speed $speed"
    QT_QPA_PLATFORM=offscreen "$LUMIDEX_BUILD/bench/soak" "$MOTION_TICKS" "$PAINTED_SECONDS" "$speed"
done
