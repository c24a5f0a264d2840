#!/usr/bin/env bash
# package.sh BUILD_DIR VERSION
# Installs the build into a scratch folder and checks the layout; makes the Debian package
# and checks it holds the same files; as root, installs it with apt and removes it again.
set -euo pipefail
build=$1
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

DESTDIR=$scratch/stage cmake --install "$build" --prefix /usr >/dev/null
root=$scratch/stage/usr
export XDG_CONFIG_HOME=$scratch/config XDG_RUNTIME_DIR=$scratch/runtime
mkdir -m 700 "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
staged=$(cd "$scratch/stage" && find usr \( -type f -o -type l \) | sort)
echo "Installed:"; sed 's|^|/|' <<<"$staged"
for file in usr/libexec/xscreensaver/lumidex usr/bin/lumidex-countdown \
            usr/share/xscreensaver/config/lumidex.xml \
            usr/share/applications/lumidex-settings.desktop \
            usr/share/doc/lumidex/ReadMe.txt usr/share/man/man1/lumidex.1; do
    grep -qx "$file" <<<"$staged" || fail "the install lacks /$file"
done
[ "$(readlink "$root/bin/lumidex")" = ../libexec/xscreensaver/lumidex ] \
    || fail "bin/lumidex is not the relative link to the program"
# Through the link, from the folder the About box looks for the read-me from.
[ "$("$root/bin/lumidex" --version 2>&1)" = "Lumidex ScreenSaver $version" ] \
    || fail "the installed lumidex --version is not this build's"
[ -f "$root/libexec/xscreensaver/../../share/doc/lumidex/ReadMe.txt" ] \
    || fail "the read-me is not two folders above the program"
grep -q '<command arg="--root"/>' "$root/share/xscreensaver/config/lumidex.xml" \
    || fail "XScreenSaver's description does not run lumidex --root"

command -v dpkg-shlibdeps >/dev/null || { echo "no dpkg-shlibdeps: no package made"; exit 77; }
cpack -G DEB -B "$scratch" --config "$build/CPackConfig.cmake" >"$scratch/cpack.log" 2>&1 \
    || { cat "$scratch/cpack.log" >&2; exit 1; }
deb=$scratch/lumidex_${version}_$(dpkg --print-architecture).deb
packed=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | sort)
[ "$packed" = "$staged" ] || fail "the package's files differ from the install's:
$(diff <(echo "$packed") <(echo "$staged"))"
depends=$(dpkg-deb -f "$deb" Depends)
for package in fonts-liberation qt6-image-formats-plugins libqt6widgets6; do
    grep -q "\b$package\b" <<<"$depends" || fail "Depends lacks $package: $depends"
done
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version"

# Never over a lumidex the machine already has: the test removes what it installed.
if [ "$(id -u)" -ne 0 ] ||
    dpkg-query -W -f='${Status}' lumidex 2>/dev/null | grep -q 'ok installed'; then
    echo "not root, or lumidex already installed: the package was not installed"
else
    trap 'dpkg --purge lumidex >/dev/null 2>&1 || true; rm -rf "$scratch"' EXIT
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$deb" \
        >"$scratch/apt.log" 2>&1 || { cat "$scratch/apt.log" >&2; fail "apt-get install failed"; }
    [ "$(/usr/bin/lumidex --version 2>&1)" = "Lumidex ScreenSaver $version" ] \
        || fail "the lumidex apt installed does not run"
    [ "$(dpkg -L lumidex | grep -c '^/usr/.*[^/]$')" -ge 7 ] || fail "dpkg -L lists too little"
fi
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "install and package: all checks passed"
