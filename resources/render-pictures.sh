#!/bin/sh
# Renders the hand-drawn SVG sources in img-src/ to the PNGs the resource collection embeds.
# The pedal layers are rendered at the size the window shows them (their scene boxes), so
# start-up decodes no pixel it throws away; the marks are twice their on-screen size.
set -eu
cd "$(dirname "$0")"
command -v rsvg-convert >/dev/null || { echo "rsvg-convert (librsvg2-bin) is needed" >&2; exit 1; }

render() { # source width height target
    rsvg-convert --width "$2" --height "$3" --format png --output "$4" "img-src/$1"
    echo "$4 ($2 x $3)"
}

mkdir -p IMG
render n_ex_xh.svg       328 110 IMG/n_ex_xh.png       # Expression housing
render ext.svg           328 100 IMG/ext.png           # Expression footplate
render BgSub_n_ht_xh.svg 328 120 IMG/BgSub_n_ht_xh.png # Hi-hat frame
render n_ex_sh.svg       360 138 IMG/n_ex_sh.png       # Hi-hat footboard
render swd.svg           328 120 IMG/swd.png           # Footswitch housing
render n_sw_sh.svg       217  68 IMG/n_sw_sh.png       # Footswitch treadle
render bd5.svg           360 360 IMG/bd5.png           # curve plot backdrop
render label.svg         220  80 IMG/label.png         # main window mark
render label2.svg        200 100 IMG/label2.png        # About logo
render ico.svg           256 256 ico.png               # window icon
