#!/usr/bin/env bash
# deb_package.sh BUILD_DIR VERSION
# Makes the Debian package in a scratch folder and checks its contents and control fields.
set -euo pipefail
build=$1
version=$2
for tool in cpack dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || { echo "no $tool: skipped"; exit 77; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cpack -G DEB -B "$out" --config "$build/CPackConfig.cmake" >"$out/cpack.log" 2>&1 \
    || { cat "$out/cpack.log" >&2; exit 1; }
deb=$out/lumidex_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { ls "$out" >&2; echo "FAIL: no $deb" >&2; exit 1; }

contents=$(dpkg-deb -c "$deb")
for file in ./usr/libexec/xscreensaver/lumidex ./usr/bin/lumidex-countdown \
            ./usr/share/xscreensaver/config/lumidex.xml \
            ./usr/share/applications/lumidex-settings.desktop \
            ./usr/share/doc/lumidex/ReadMe.txt ./usr/share/man/man1/lumidex.1; do
    grep -qE "^-\S+ .* $file\$" <<<"$contents" || fail "the package lacks $file"
done
grep -qE '^l\S+ .* \./usr/bin/lumidex -> \.\./libexec/xscreensaver/lumidex$' <<<"$contents" \
    || fail "the package lacks the bin/lumidex link"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = lumidex ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Maintainer)" = "Vantrel <support@vantrel.example>" ] || fail "Maintainer: $(field Maintainer)"
depends=$(field Depends)
for package in fonts-liberation qt6-image-formats-plugins libqt6widgets6 libc6; do
    grep -q "\b$package\b" <<<"$depends" || fail "Depends lacks $package: $depends"
done
[ "$(field Recommends)" = xscreensaver ] || fail "Recommends: $(field Recommends)"

echo "$contents"
echo "Depends: $depends"

# The package installs with apt and lists its files. Only as root, and never over a
# lumidex the machine already has: the test removes what it installed.
if [ "$(id -u)" -ne 0 ]; then
    echo "not root: the package was not installed"
elif dpkg-query -W -f='${Status}' lumidex 2>/dev/null | grep -q 'install ok installed'; then
    echo "lumidex is installed on this machine: the package was not installed over it"
else
    trap 'dpkg --purge lumidex >/dev/null 2>&1 || true; rm -rf "$out"' EXIT
    if DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
        "$deb" >"$out/apt.log" 2>&1; then
        listed=$(dpkg -L lumidex)
        for file in /usr/libexec/xscreensaver/lumidex /usr/bin/lumidex /usr/bin/lumidex-countdown \
                    /usr/share/xscreensaver/config/lumidex.xml \
                    /usr/share/applications/lumidex-settings.desktop \
                    /usr/share/doc/lumidex/ReadMe.txt /usr/share/man/man1/lumidex.1; do
            grep -qx "$file" <<<"$listed" || fail "dpkg -L lumidex does not list $file"
        done
        output=$(/usr/bin/lumidex --version 2>&1) || true
        [ "$output" = "Lumidex ScreenSaver $version" ] || fail "installed lumidex --version: $output"
        echo "installed with apt-get; dpkg -L lists every file"
    else
        cat "$out/apt.log" >&2
        fail "apt-get install $deb failed"
    fi
fi
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "package: all checks passed"
