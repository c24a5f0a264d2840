#!/usr/bin/env bash
# install_layout.sh BUILD_DIR VERSION
# DESTDIR=<scratch> cmake --install BUILD_DIR --prefix /usr, then checks what arrived.
set -euo pipefail
build=$1
version=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
root=$stage/usr
# The programs run below keep to the scratch folder.
export XDG_CONFIG_HOME=$stage/config XDG_RUNTIME_DIR=$stage/runtime
mkdir -m 700 "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"

echo "Installed:"
(cd "$stage" && find usr \( -type f -o -type l \) | sed 's|^|/|' | sort)

for file in libexec/xscreensaver/lumidex bin/lumidex-countdown; do
    [ -f "$root/$file" ] && [ -x "$root/$file" ] || fail "$file is not an executable file"
done
for file in share/xscreensaver/config/lumidex.xml \
            share/applications/lumidex-settings.desktop \
            share/doc/lumidex/ReadMe.txt \
            share/man/man1/lumidex.1; do
    [ -f "$root/$file" ] && [ -s "$root/$file" ] || fail "$file is missing or empty"
done

# bin/lumidex: a relative link that resolves to the program.
if [ -L "$root/bin/lumidex" ]; then
    target=$(readlink "$root/bin/lumidex")
    [ "$target" = ../libexec/xscreensaver/lumidex ] || fail "bin/lumidex points to $target"
    [ "$(readlink -f "$root/bin/lumidex")" = "$(readlink -f "$root/libexec/xscreensaver/lumidex")" ] \
        || fail "bin/lumidex does not resolve to the program"
else
    fail "bin/lumidex is not a symbolic link"
fi

# The installed program runs, through the link, and is this build's.
output=$("$root/bin/lumidex" --version 2>&1) || fail "lumidex --version failed: $output"
[ "$output" = "Lumidex ScreenSaver $version" ] || fail "lumidex --version printed: $output"
output=$("$root/libexec/xscreensaver/lumidex" -help 2>&1) || fail "lumidex -help failed"
grep -q -- '-window-id' <<<"$output" || fail "lumidex -help does not list -window-id"
"$root/bin/lumidex-countdown" --today 2000-01-01 >/dev/null 2>&1 \
    || [ $? -eq 1 ] || fail "lumidex-countdown does not run"

# The About box's lookup from the program's real folder reaches the installed read-me.
[ -f "$root/libexec/xscreensaver/../../share/doc/lumidex/ReadMe.txt" ] \
    || fail "the read-me is not two folders above the program"

# XScreenSaver's description of the program.
xml=$root/share/xscreensaver/config/lumidex.xml
if command -v xmllint >/dev/null; then
    xmllint --noout "$xml" || fail "lumidex.xml is not well-formed"
    [ "$(xmllint --xpath 'string(/screensaver/@name)' "$xml")" = lumidex ] || fail "xml name"
    [ "$(xmllint --xpath 'string(/screensaver/@_label)' "$xml")" = Lumidex ] || fail "xml label"
    [ "$(xmllint --xpath 'string(/screensaver/command/@arg)' "$xml")" = --root ] \
        || fail "xml command"
    description=$(xmllint --xpath 'string(/screensaver/_description)' "$xml")
else
    head -1 "$xml" | grep -q '^<?xml version="1.0"' || fail "lumidex.xml has no XML declaration"
    grep -q '<screensaver name="lumidex" _label="Lumidex">' "$xml" || fail "xml name/label"
    grep -q '<command arg="--root"/>' "$xml" || fail "xml command"
    grep -q '</screensaver>' "$xml" || fail "xml not closed"
    description=$(sed -n '/<_description>/,/<\/_description>/p' "$xml")
fi
grep -q 'lumidex /c' <<<"$description" || fail "the description does not name lumidex /c"
grep -q 'Lumidex ScreenSaver Settings' <<<"$description" \
    || fail "the description does not name the menu entry"

# The menu entry.
desktop=$root/share/applications/lumidex-settings.desktop
for line in '[Desktop Entry]' 'Type=Application' 'Name=Lumidex ScreenSaver Settings' \
            'Exec=lumidex /c' 'Categories=Settings;DesktopSettings;'; do
    grep -qxF "$line" "$desktop" || fail "lumidex-settings.desktop lacks: $line"
done
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "lumidex-settings.desktop does not validate"
fi

# The manual page: a troff page with every section, every switch and this version.
man=$root/share/man/man1/lumidex.1
head -1 "$man" | grep -q "^\.TH LUMIDEX 1 .*$version" || fail "lumidex.1 does not start with .TH"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS FILES 'SEE ALSO'; do
    grep -qx "\.SH $section" "$man" || fail "lumidex.1 lacks section $section"
done
for option in '/s' '/p' '/c' '\\-\\-root' '\\-\\-window\\-id' '\\-\\-window$' \
              '\\-\\-help' '\\-\\-version'; do
    grep -q "^\.B[I]* $option" "$man" || fail "lumidex.1 does not describe $option"
done
grep -qF '.config/Vantrel/Lumidex.conf' "$man" || fail "lumidex.1 lacks the settings file"
grep -qF '.BR xscreensaver (1)' "$man" || fail "lumidex.1 does not refer to xscreensaver(1)"
if command -v groff >/dev/null; then
    warnings=$(groff -man -Tutf8 -ww -z "$man" 2>&1)
    [ -z "$warnings" ] || fail "groff: $warnings"
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "install layout: all checks passed"
