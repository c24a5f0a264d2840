#!/usr/bin/env bash
# package.sh BUILD_DIR VERSION
# Installs the build into a scratch folder and checks the layout; makes the Debian package
# and checks it holds the same files and passes lintian; as root, installs it with apt and
# removes it again.
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
            usr/share/applications/{lumidex-settings,screensavers/lumidex}.desktop \
            usr/share/doc/lumidex/{ReadMe.txt,copyright,changelog.Debian.gz} \
            usr/share/man/man6/lumidex.6.gz usr/share/man/man1/lumidex-countdown.1.gz; do
    grep -qx "$file" <<<"$staged" || fail "the install lacks /$file"
done
[ "$(readlink "$root/bin/lumidex")" = ../libexec/xscreensaver/lumidex ] \
    || fail "bin/lumidex is not the relative link to the program"
[ "$("$root/bin/lumidex" --version 2>&1)" = "Lumidex ScreenSaver $version" ] \
    || fail "the installed lumidex --version is not this build's"
grep -q '<command arg="--root"/>' "$root/share/xscreensaver/config/lumidex.xml" \
    || fail "XScreenSaver's description does not run lumidex --root"
grep -qx 'Exec=lumidex --root' "$root/share/applications/screensavers/lumidex.desktop" \
    || fail "MATE's entry does not run lumidex --root"

for tool in dpkg-shlibdeps lintian desktop-file-validate; do
    command -v "$tool" >/dev/null || { echo "no $tool: no package made"; exit 77; }
done
desktop-file-validate "$root"/share/applications/{lumidex-settings,screensavers/lumidex}.desktop \
    || fail "desktop-file-validate"
cpack -G DEB -B "$scratch" --config "$build/CPackConfig.cmake" >"$scratch/cpack.log" 2>&1 \
    || { cat "$scratch/cpack.log" >&2; exit 1; }
deb=$(echo "$scratch"/lumidex_"$version"-*_"$(dpkg --print-architecture)".deb)
packed=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | sort)
[ "$packed" = "$staged" ] || fail "the package's files differ from the install's:
$(diff <(echo "$packed") <(echo "$staged"))"
depends=$(dpkg-deb -f "$deb" Depends)
for package in fonts-liberation libqt6widgets6; do
    grep -q "\b$package\b" <<<"$depends" || fail "Depends lacks $package: $depends"
done
# libqt6gui6 itself reads JPEG and GIF.
! grep -q qt6-image-formats-plugins <<<"$depends" || fail "Depends names the image plugins"
# A Debian revision, which the changelog's latest entry names.
debversion=$(dpkg-deb -f "$deb" Version)
[[ $debversion == "$version"-* ]] || fail "the package's version $debversion"
zcat "$root/share/doc/lumidex/changelog.Debian.gz" | head -1 | grep -qF "($debversion)" \
    || fail "the changelog's latest entry is not $debversion"
# In KiB: at least the bytes packed (a link as a link), at most a KiB more per entry.
read -r bytes entries < <(dpkg-deb -c "$deb" | awk '{ bytes += $3 } END { print bytes, NR }')
size=$(dpkg-deb -f "$deb" Installed-Size)
[ "$size" -ge $((bytes / 1024)) ] && [ "$size" -le $((bytes / 1024 + entries)) ] \
    || fail "Installed-Size is $size KiB for $bytes bytes in $entries entries"
lintian --fail-on error,warning --display-info "$deb" || fail "lintian"

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
fi
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "install and package: all checks passed"
