# Shared by scripts/run and scripts/test: install what is missing, then build.
# Sourced, not run.

LUMIDEX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
LUMIDEX_BUILD=${LUMIDEX_BUILD:-$LUMIDEX_ROOT/build}

# Debian 12 packages to build and run the programs: the toolchain and Qt (whose own
# packages read JPEG and GIF) with its Wayland platform, the metafile reader, and the
# fonts the saver measures text with.
LUMIDEX_PACKAGES=(
    cmake g++ make pkgconf
    qt6-base-dev qt6-wayland libxcb1-dev libgl-dev
    libwmf-dev fonts-urw-base35 libexpat1-dev libjpeg-dev
    fonts-liberation
)
# Besides, for the tests, the package and the benchmarks: dpkg-shlibdeps for the
# package, the X server and tools the window tests use, the Wayland compositor the
# Wayland test runs, the XScreenSaver daemon the host test runs, lintian and
# desktop-file-validate for the package, MATE's screen saver with the D-Bus session and
# gsettings its test needs, and clang with its runtime for the fuzz targets.
LUMIDEX_TEST_PACKAGES=(
    dpkg-dev
    xvfb xauth xdotool x11-utils imagemagick bc weston xscreensaver
    lintian desktop-file-utils mate-screensaver dbus libglib2.0-bin
    clang libclang-rt-14-dev
)

# Makes lumidex_install_packages install the test packages too.
lumidex_with_test_packages() {
    LUMIDEX_PACKAGES+=("${LUMIDEX_TEST_PACKAGES[@]}")
}

lumidex_as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

lumidex_install_packages() {
    local missing=() package
    for package in "${LUMIDEX_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    lumidex_as_root apt-get update -q
    lumidex_as_root env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# lumidex_build [CMAKE_OPTIONS...]: everything, the tests and benchmarks included.
lumidex_build() {
    cmake -S "$LUMIDEX_ROOT" -B "$LUMIDEX_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DBUILD_TESTING=ON -DLUMIDEX_BENCH=ON "$@" >/dev/null
    cmake --build "$LUMIDEX_BUILD" -j "$(nproc)"
}

# The two programs alone, for starting the saver. A new build leaves the tests and
# benchmarks out; one that has them keeps them, so that scripts/test --quick still works.
lumidex_build_programs() {
    local new=()
    [ -f "$LUMIDEX_BUILD/CMakeCache.txt" ] || new=(-DBUILD_TESTING=OFF -DLUMIDEX_BENCH=OFF)
    cmake -S "$LUMIDEX_ROOT" -B "$LUMIDEX_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        "${new[@]}" >/dev/null
    cmake --build "$LUMIDEX_BUILD" -j "$(nproc)" --target lumidex lumidex-countdown
}

# lumidex_quietly COMMAND...: a build step, quiet unless it fails.
lumidex_quietly() {
    local log="$LUMIDEX_BUILD.log"
    if ! "$@" >"$log" 2>&1; then
        cat "$log" >&2
        echo "Build failed; the log is in $log" >&2
        return 1
    fi
}
