# Shared by scripts/run and scripts/test: install what is missing, then build.
# Sourced, not run.

LUMIDEX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
LUMIDEX_BUILD=${LUMIDEX_BUILD:-$LUMIDEX_ROOT/build}

# Debian 12 packages: the toolchain and Qt, the fonts the saver measures text with,
# the picture readers, the X server and tools the window tests use, dpkg-shlibdeps for
# the Debian package, the XScreenSaver daemon the host test runs, and clang with its
# runtime for the fuzz targets.
LUMIDEX_PACKAGES=(
    cmake g++ make pkgconf dpkg-dev
    qt6-base-dev libxcb1-dev libgl-dev
    qt6-image-formats-plugins
    libwmf-dev fonts-urw-base35 libexpat1-dev libjpeg-dev
    fonts-liberation
    xvfb xauth xdotool x11-utils imagemagick xscreensaver
    clang libclang-rt-14-dev
)

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

# lumidex_build [CMAKE_OPTIONS...]
lumidex_build() {
    cmake -S "$LUMIDEX_ROOT" -B "$LUMIDEX_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$LUMIDEX_BUILD" -j "$(nproc)"
}

# The same, quiet unless it fails: for starting the program.
lumidex_build_quietly() {
    local log="$LUMIDEX_BUILD.log"
    if ! lumidex_build >"$log" 2>&1; then
        cat "$log" >&2
        echo "Build failed; the log is in $log" >&2
        return 1
    fi
}
