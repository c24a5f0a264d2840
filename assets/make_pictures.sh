#!/usr/bin/env bash
# Draws the built-in pictures into assets/pictures/ with ImageMagick.
# Run by hand after changing a drawing; the results are kept in the repository, so the
# build needs no ImageMagick. The same script always writes the same bytes: no dates in
# PNG files, no metadata, fixed colour reduction.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out="$here/pictures"
fonts=/usr/share/fonts/opentype/urw-base35
bold="$fonts/URWBookman-Demi.otf"
sans="$fonts/NimbusSans-Bold.otf"
for font in "$bold" "$sans"; do
    [ -f "$font" ] || { echo "missing $font (apt-get install fonts-urw-base35)" >&2; exit 1; }
done
command -v convert >/dev/null || { echo "missing convert (apt-get install imagemagick)" >&2; exit 1; }
mkdir -p "$out"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Final encodings: no metadata, so the bytes depend on the drawing alone.
as_gif() { convert "$1" -strip +dither -colors 128 "GIF:$2"; }
as_jpeg() { convert "$1" -strip -sampling-factor 2x2 -quality 88 "JPEG:$2"; }

logo() {
    convert -size 150x75 gradient:'#10204a-#1d3f7a' \
        -fill '#c9a227' -draw 'roundrectangle 10,8 44,13 2,2' \
        -draw 'roundrectangle 10,62 44,67 2,2' \
        -fill '#dfe9f7' -stroke '#8fb0d8' -strokewidth 1 \
        -draw 'polygon 13,14 41,14 29,37 41,61 13,61 25,37' \
        -stroke none -fill '#f2c14e' \
        -draw 'polygon 18,21 36,21 27,34' \
        -draw 'polygon 27,47 38,60 16,60' \
        -draw 'line 27,36 27,50' \
        -fill '#c9a227' -draw 'rectangle 12,13 15,62' -draw 'rectangle 39,13 42,62' \
        -font "$bold" -pointsize 22 -fill '#f5f5f0' -annotate +52+44 'Lumidex' \
        -fill '#f2c14e' -draw 'rectangle 53,50 140,51' \
        "$work/logo.miff"
    as_gif "$work/logo.miff" "$out/logo.gif"
}

birthday_cake() {
    convert -size 150x75 gradient:'#fde8f0-#f9c9dc' \
        -fill '#ffffff' -draw 'ellipse 75,67 52,6 0,360' \
        -fill '#8a5a3c' -draw 'rectangle 35,42 115,66' \
        -fill '#f48fb1' -draw 'rectangle 35,40 115,46' \
        -draw 'circle 42,46 42,50' -draw 'circle 55,46 55,51' -draw 'circle 68,46 68,49' \
        -draw 'circle 81,46 81,51' -draw 'circle 94,46 94,50' -draw 'circle 107,46 107,51' \
        -fill '#fff3c4' -draw 'rectangle 35,55 115,57' \
        -fill '#e91e63' -draw 'circle 45,61 45,62' -draw 'circle 60,61 60,62' \
        -draw 'circle 75,61 75,62' -draw 'circle 90,61 90,62' -draw 'circle 105,61 105,62' \
        -fill '#64b5f6' -draw 'rectangle 50,24 53,40' -fill '#81c784' -draw 'rectangle 66,22 69,40' \
        -fill '#ffd54f' -draw 'rectangle 82,22 85,40' -fill '#ba68c8' -draw 'rectangle 98,24 101,40' \
        -fill '#ff9800' -draw 'ellipse 51.5,19 2.5,4.5 0,360' -draw 'ellipse 67.5,17 2.5,4.5 0,360' \
        -draw 'ellipse 83.5,17 2.5,4.5 0,360' -draw 'ellipse 99.5,19 2.5,4.5 0,360' \
        -fill '#fff176' -draw 'ellipse 51.5,20 1.2,2.5 0,360' -draw 'ellipse 67.5,18 1.2,2.5 0,360' \
        -draw 'ellipse 83.5,18 1.2,2.5 0,360' -draw 'ellipse 99.5,20 1.2,2.5 0,360' \
        -fill '#e91e63' -draw 'circle 14,14 14,17' -fill '#29b6f6' -draw 'circle 136,12 136,15' \
        -fill '#ffca28' -draw 'circle 130,34 130,36' -fill '#66bb6a' -draw 'circle 20,36 20,38' \
        "$work/birthday.miff"
    as_gif "$work/birthday.miff" "$out/birthday_cake.gif"
}

# Appends one candle to the array "draw": left edge, top, width, wax colour.
candle() {
    local x=$1 top=$2 w=$3 colour=$4 cx=$(($1 + $3 / 2))
    draw+=(-fill "$colour" -draw "rectangle $x,$top $((x + w)),66"
        -fill '#fff8e1' -draw "ellipse $cx,$top $((w / 2)),2 0,360"
        -stroke '#222222' -draw "line $cx,$((top - 4)) $cx,$top" -stroke none
        -fill '#ff8f00' -draw "ellipse $cx,$((top - 10)) 3,7 0,360"
        -fill '#ffee58' -draw "ellipse $cx,$((top - 9)) 1.5,4 0,360")
}

candles() {
    local draw=()
    candle 22 38 14 '#c62828'
    candle 50 26 16 '#f5f0e1'
    candle 80 18 18 '#c62828'
    candle 112 32 15 '#f5f0e1'
    convert -size 150x75 xc:'#1a1025' \
        \( -size 150x75 radial-gradient:'#7a4a1e-#1a1025' \) -compose screen -composite \
        -compose over \
        -fill '#4e342e' -draw 'rectangle 0,66 149,74' \
        -fill '#6d4c41' -draw 'rectangle 0,66 149,67' \
        "${draw[@]}" "$work/candles.miff"
    as_gif "$work/candles.miff" "$out/candles.gif"
}

hammock() {
    convert -size 150x60 gradient:'#4fa3e0-#bfe6fa' \
        \( -size 150x14 gradient:'#1f7fb5-#57c1d9' \) \
        \( -size 150x25 gradient:'#f3dfa8-#e6c27a' \) -append \
        -fill '#ffffff' -draw 'ellipse 30,14 12,4 0,360' -draw 'ellipse 40,12 9,4 0,360' \
        -draw 'ellipse 118,20 10,3 0,360' \
        -fill '#fff59d' -draw 'circle 128,8 128,14' \
        -fill '#7b5230' -draw 'polygon 18,92 24,92 28,30 23,30' \
        -draw 'polygon 128,92 134,92 126,36 121,36' \
        -fill '#2e7d32' \
        -draw 'path "M 25,30 Q 10,22 2,34 Q 12,26 25,32 Z"' \
        -draw 'path "M 25,30 Q 40,20 52,32 Q 38,26 25,32 Z"' \
        -draw 'path "M 25,30 Q 18,12 6,16 Q 18,16 24,31 Z"' \
        -draw 'path "M 25,30 Q 34,12 46,15 Q 34,16 26,31 Z"' \
        -draw 'path "M 123,36 Q 108,28 98,40 Q 110,32 123,38 Z"' \
        -draw 'path "M 123,36 Q 138,26 149,36 Q 136,32 123,38 Z"' \
        -draw 'path "M 123,36 Q 116,18 104,22 Q 116,22 122,37 Z"' \
        -draw 'path "M 123,36 Q 132,18 144,20 Q 132,22 124,37 Z"' \
        -fill '#5d4037' -draw 'circle 25,31 25,33' -draw 'circle 123,37 123,39' \
        -stroke '#8d6e63' -strokewidth 1 -draw 'line 27,46 40,56' -draw 'line 122,50 110,58' \
        -stroke none -fill '#e53935' \
        -draw 'path "M 40,54 Q 75,80 110,56 L 110,60 Q 75,86 40,58 Z"' \
        -fill '#fdd835' -draw 'path "M 40,58 Q 75,86 110,60 L 110,63 Q 75,90 40,61 Z"' \
        -fill '#1e88e5' -draw 'path "M 40,61 Q 75,90 110,63 L 110,65 Q 75,93 40,63 Z"' \
        -fill '#d9b878' -draw 'ellipse 75,89 34,2 0,360' \
        "$work/hammock.miff"
    as_jpeg "$work/hammock.miff" "$out/hammock.jpg"
}

mountains() {
    convert -size 150x101 gradient:'#3d7cc9-#cfe8f7' \
        -fill '#fffde7' -draw 'circle 120,18 120,26' \
        -fill '#7e8fa8' -draw 'polygon 0,70 22,38 40,56 62,24 86,58 104,34 132,62 150,46 150,101 0,101' \
        -fill '#ffffff' -draw 'polygon 62,24 70,36 65,34 60,38 55,33' \
        -draw 'polygon 22,38 28,46 24,45 20,48 17,45' -draw 'polygon 104,34 111,44 106,42 102,45 99,41' \
        -fill '#4e6e58' -draw 'polygon 0,78 30,58 58,76 90,54 120,72 150,60 150,101 0,101' \
        -fill '#2e5e3a' -draw 'polygon 0,88 20,80 45,90 80,78 110,88 150,80 150,101 0,101' \
        -fill '#5aa0d8' -draw 'ellipse 78,94 40,5 0,360' \
        -fill '#1b4d2a' \
        -draw 'polygon 10,92 14,78 18,92' -draw 'polygon 18,94 22,82 26,94' \
        -draw 'polygon 128,92 132,76 136,92' -draw 'polygon 138,95 142,81 146,95' \
        "$work/mountains.miff"
    as_jpeg "$work/mountains.miff" "$out/mountains.jpg"
}

cruise_ship() {
    convert -size 150x62 gradient:'#5ab0f0-#d9f0fc' \
        \( -size 150x37 gradient:'#2a7fc1-#0d3f73' \) -append \
        -fill '#ffffff' -draw 'ellipse 28,14 14,4 0,360' -draw 'ellipse 112,10 12,3 0,360' \
        -fill '#eceff1' -draw 'rectangle 38,38 112,50' -draw 'rectangle 48,30 104,38' \
        -draw 'rectangle 58,23 96,30' \
        -fill '#ffffff' -draw 'polygon 14,50 140,50 128,72 24,72' \
        -fill '#1a3a7a' -draw 'polygon 20,62 134,62 128,72 24,72' \
        -fill '#c62828' -draw 'rectangle 22,58 132,60' \
        -fill '#c62828' -draw 'polygon 76,10 88,10 86,23 78,23' \
        -fill '#212121' -draw 'rectangle 76,10 88,13' \
        -fill '#b0bec5' -draw 'ellipse 96,6 8,3 0,360' -draw 'ellipse 106,4 6,2 0,360' \
        -fill '#1e3f6e' \
        -draw 'rectangle 42,42 108,45' -draw 'rectangle 52,33 100,35' -draw 'rectangle 62,25 92,27' \
        -fill '#37474f' \
        -draw 'circle 30,55 30,56' -draw 'circle 40,55 40,56' -draw 'circle 50,55 50,56' \
        -draw 'circle 60,55 60,56' -draw 'circle 70,55 70,56' -draw 'circle 80,55 80,56' \
        -draw 'circle 90,55 90,56' -draw 'circle 100,55 100,56' -draw 'circle 110,55 110,56' \
        -draw 'circle 120,55 120,56' \
        -fill '#e3f2fd' -draw 'polygon 10,74 24,72 24,75 8,77' -draw 'polygon 128,72 146,75 144,77 128,75' \
        -stroke '#90caf9' -strokewidth 1 \
        -draw 'line 8,84 30,84' -draw 'line 50,90 80,90' -draw 'line 100,82 130,82' \
        -draw 'line 20,94 44,94' -draw 'line 112,93 140,93' \
        "$work/ship.miff"
    as_jpeg "$work/ship.miff" "$out/cruise_ship.jpg"
}

sunset() {
    # The sun goes down behind the horizon: the sky is drawn on its own, then the sea.
    convert \( -size 150x62 gradient:'#3b1e5a-#ff8c42' \
        -fill '#ffd54f' -draw 'circle 75,62 75,44' \
        -fill '#2a1030' -draw 'polygon 0,62 0,50 16,46 34,54 48,62' \
        -draw 'polygon 110,62 126,52 150,48 150,62' \
        -fill '#1a0a20' -draw 'polygon 132,62 135,30 137,30 137,62' \
        -draw 'path "M 136,30 Q 124,24 116,34 Q 126,28 136,32 Z"' \
        -draw 'path "M 136,30 Q 148,22 150,32 Q 146,28 136,32 Z"' \
        -draw 'path "M 136,30 Q 130,16 120,18 Q 130,20 135,31 Z"' \
        -draw 'path "M 136,30 Q 142,16 150,18 Q 142,20 137,31 Z"' \
        -stroke '#2a1030' -strokewidth 1 -fill none \
        -draw 'path "M 30,22 Q 33,19 36,22 Q 39,19 42,22"' \
        -draw 'path "M 48,14 Q 50,12 52,14 Q 54,12 56,14"' \
        -draw 'path "M 96,26 Q 98,24 100,26 Q 102,24 104,26"' \) \
        \( -size 150x37 gradient:'#c2553a-#241233' \
        -stroke none -fill '#ffb74d' -draw 'rectangle 56,2 94,3' -draw 'rectangle 60,7 90,8' \
        -draw 'rectangle 64,12 86,13' -draw 'rectangle 68,17 82,18' -draw 'rectangle 71,22 79,23' \
        -draw 'rectangle 73,27 77,28' \) \
        -append "$work/sunset.miff"
    as_jpeg "$work/sunset.miff" "$out/sunset.jpg"
}

wreath() {
    local draw=() line
    # Leaves in three rings around the centre, tilted along the ring, then berries.
    while read -r line; do
        read -ra words <<<"$line"
        draw+=(-fill "${words[0]}" -draw "${words[*]:1}")
    done < <(awk 'BEGIN {
        for (i = 0; i < 24; i++) for (r = 20; r <= 30; r += 5) {
            a = i * 15 + (r == 25 ? 7 : 0); t = a * 3.14159265 / 180
            printf "%s ellipse %.1f,%.1f 5,3 %d,%d\n", ((i + r) % 3 ? "#2e7d32" : "#1b5e20"),
                75 + r * cos(t), 37 + r * 0.95 * sin(t), a + 90, a + 450
        }
        for (i = 1; i < 24; i += 3) {
            t = i * 15 * 3.14159265 / 180; x = 75 + 26 * cos(t); y = 37 + 25 * sin(t)
            printf "#d32f2f circle %.1f,%.1f %.1f,%.1f\n", x, y, x, y + 2.2
        }
    }')
    convert -size 150x75 xc:'#fbf6ea' \
        -fill '#2e7d32' -draw 'ellipse 75,37 30,28.5 0,360' \
        -fill '#fbf6ea' -draw 'ellipse 75,37 16,15 0,360' \
        "${draw[@]}" \
        -fill '#c62828' \
        -draw 'polygon 75,62 60,54 60,70' -draw 'polygon 75,62 90,54 90,70' \
        -draw 'polygon 73,63 66,74 70,74 75,65' -draw 'polygon 77,63 84,74 80,74 75,65' \
        -fill '#8e0000' -draw 'circle 75,62 75,65' \
        "$work/wreath.miff"
    as_gif "$work/wreath.miff" "$out/wreath.gif"
}

wedding_cake() {
    convert -size 156x186 gradient:'#fdf6f0-#f3e2d8' \
        -fill '#d7ccc8' -draw 'ellipse 78,172 66,8 0,360' \
        -fill '#ffffff' -stroke '#d8cfc8' -strokewidth 1 \
        -draw 'rectangle 22,124 134,170' -draw 'rectangle 38,88 118,124' -draw 'rectangle 52,58 104,88' \
        -stroke none -fill '#f8bbd0' \
        -draw 'rectangle 22,124 134,129' -draw 'rectangle 38,88 118,93' -draw 'rectangle 52,58 104,62' \
        -fill '#d4af37' \
        -draw 'rectangle 22,163 134,165' -draw 'rectangle 38,118 118,120' -draw 'rectangle 52,83 104,85' \
        -fill '#f3e5f5' \
        -draw 'ellipse 34,144 6,6 0,360' -draw 'ellipse 56,144 6,6 0,360' -draw 'ellipse 78,144 6,6 0,360' \
        -draw 'ellipse 100,144 6,6 0,360' -draw 'ellipse 122,144 6,6 0,360' \
        -fill '#ec407a' \
        -draw 'circle 34,144 34,147' -draw 'circle 56,144 56,147' -draw 'circle 78,144 78,147' \
        -draw 'circle 100,144 100,147' -draw 'circle 122,144 122,147' \
        -draw 'circle 50,104 50,107' -draw 'circle 78,104 78,107' -draw 'circle 106,104 106,107' \
        -fill '#81c784' \
        -draw 'ellipse 42,147 4,2 0,360' -draw 'ellipse 64,147 4,2 0,360' -draw 'ellipse 86,147 4,2 0,360' \
        -draw 'ellipse 108,147 4,2 0,360' -draw 'ellipse 58,106 4,2 0,360' -draw 'ellipse 86,106 4,2 0,360' -draw 'ellipse 114,106 3,2 0,360' \
        -fill '#f48fb1' -draw 'circle 64,72 64,75' -draw 'circle 92,72 92,75' \
        -fill '#e91e63' \
        -draw 'path "M 78,54 C 60,40 62,24 72,26 C 76,27 78,31 78,33 C 78,31 80,27 84,26 C 94,24 96,40 78,54 Z"' \
        -fill '#d4af37' -draw 'rectangle 77,54 79,58' \
        -fill '#ffd54f' -draw 'circle 30,30 30,31' -draw 'circle 126,22 126,23' \
        -draw 'circle 134,48 134,49' -draw 'circle 20,60 20,61' \
        "$work/wedding.miff"
    as_gif "$work/wedding.miff" "$out/wedding_cake.gif"
}

default_picture() {
    convert -size 100x50 xc:'#9e9e9e' \
        -fill '#f5f5f5' -draw 'rectangle 3,3 96,46' \
        -fill '#8ec5ee' -draw 'rectangle 7,7 92,42' \
        -fill '#fdd835' -draw 'circle 76,15 76,20' \
        -fill '#5f8f4e' -draw 'polygon 7,42 7,32 24,20 40,34 56,18 80,38 92,30 92,42' \
        -fill '#3f6e35' -draw 'polygon 7,42 30,34 54,40 74,33 92,40 92,42' \
        -fill none -stroke '#616161' -strokewidth 1 -draw 'rectangle 0,0 99,49' \
        "$work/default.miff"
    convert "$work/default.miff" -strip +dither -colors 64 -type Palette -compress None "BMP3:$out/default.bmp"
}

check_mark() {
    convert -size 32x32 xc:none \
        -fill none -stroke '#1565c0' -strokewidth 5 \
        -draw 'stroke-linecap round stroke-linejoin round polyline 6,17 13,24 26,8' \
        "$work/check.miff"
    convert "$work/check.miff" -strip -define png:exclude-chunks=date,time \
        "PNG32:$out/check.png"
}

logo
birthday_cake
candles
hammock
mountains
cruise_ship
sunset
wreath
wedding_cake
default_picture
check_mark
ls -l "$out"
