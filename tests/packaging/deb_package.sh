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
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "package: all checks passed"
