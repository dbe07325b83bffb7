#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Regenerates the committed icon PNGs under resources/icons/ from the Google Material
# Icons SVGs (Apache-2.0). Builds use the committed PNGs; only this script needs npm
# and rsvg-convert (Debian: librsvg2-bin).
#
#   tools/make-icons.sh                 fetches the SVG package into a temporary folder
#   MDI_SVG_DIR=<dir> tools/make-icons.sh   uses an unpacked @material-design-icons/svg
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PNG_DIR="$ROOT/resources/icons/res/png"
APP_ICON="$ROOT/resources/icons/res/icon/icon.png"
HICOLOR_DIR="$ROOT/resources/icons/hicolor"
PACKAGE="@material-design-icons/svg@0.14.15"

DARK="#424242"
GREY="#757575"
GREEN="#388E3C"
RED="#D32F2F"
BRAND="#4CAF50"

command -v rsvg-convert >/dev/null || { echo "make-icons: rsvg-convert missing (apt-get install librsvg2-bin)" >&2; exit 1; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

SVG_DIR=${MDI_SVG_DIR:-}
if [[ -z "$SVG_DIR" ]]; then
    command -v npm >/dev/null || { echo "make-icons: npm missing; set MDI_SVG_DIR instead" >&2; exit 1; }
    npm install --silent --no-audit --no-fund --prefix "$WORK/npm" "$PACKAGE" >/dev/null
    SVG_DIR="$WORK/npm/node_modules/@material-design-icons/svg"
fi

# The drawing of one icon without its <svg> element, so it can be nested and recoloured.
glyph() { # style name
    local file="$SVG_DIR/$1/$2.svg"
    [[ -f "$file" ]] || { echo "make-icons: no icon $1/$2" >&2; exit 1; }
    sed -e 's/<svg[^>]*>//' -e 's#</svg>##' "$file"
}

# A 24-unit drawing placed at x,y with the given size and fill colour; a badge passes
# a tighter view box, because the glyphs keep a 2-unit margin that a badge cannot spare.
place() { # x y size colour style name [view-box]
    printf '<svg x="%s" y="%s" width="%s" height="%s" viewBox="%s" fill="%s">%s</svg>' \
        "$1" "$2" "$3" "$3" "${7:-0 0 24 24}" "$4" "$(glyph "$5" "$6")"
}

render() { # svg-text out-file size
    local svg="$WORK/$(basename "$2" .png).svg"
    printf '<svg xmlns="http://www.w3.org/2000/svg" width="24" height="24" viewBox="0 0 24 24">%s</svg>\n' \
        "$1" >"$svg"
    mkdir -p "$(dirname "$2")"
    rsvg-convert -w "$3" -h "$3" -o "$2" "$svg"
}

plain() { # out-stem colour style name
    render "$(place 0 0 24 "$2" "$3" "$4")" "$PNG_DIR/$1_32px.png" 32
}

# A glyph with a small second glyph in the lower right corner; the base is cut away
# around the badge so the two stay apart on any background.
badged() { # out-stem colour style name badge-colour badge-style badge-name
    local mask='<mask id="cut"><rect width="24" height="24" fill="#fff"/><circle cx="17.5" cy="17.5" r="7" fill="#000"/></mask>'
    render "$mask<g mask=\"url(#cut)\">$(place 0 0 24 "$2" "$3" "$4")</g>$(place 11 11 13 "$5" "$6" "$7" "2 2 20 20")" \
        "$PNG_DIR/$1_32px.png" 32
}

# A glyph struck through by a diagonal bar, the way the Material "off" icons are drawn.
struck() { # out-stem colour style name
    local mask='<mask id="cut"><rect width="24" height="24" fill="#fff"/><line x1="2" y1="2" x2="22" y2="22" stroke="#000" stroke-width="5"/></mask>'
    render "$mask<g mask=\"url(#cut)\">$(place 0 0 24 "$2" "$3" "$4")</g><line x1='3' y1='3' x2='21' y2='21' stroke='$2' stroke-width='2' stroke-linecap='round'/>" \
        "$PNG_DIR/$1_32px.png" 32
}

plain usb_grey "$GREY" filled usb
plain usb_green "$GREEN" filled usb
plain usb-off_red "$RED" filled usb_off
plain usb-off "$DARK" filled usb_off
plain info "$DARK" filled info
badged memory-search "$DARK" filled memory "$DARK" filled search
plain exit-to-app "$DARK" filled exit_to_app
badged table-chart-delete "$DARK" filled table_chart "$RED" filled delete
plain backspace-filled "$DARK" filled backspace
badged memory-file-upload "$DARK" filled memory "$DARK" filled arrow_upward
badged memory-file-download "$DARK" filled memory "$DARK" filled arrow_downward
plain save "$DARK" filled save
plain file "$DARK" outlined insert_drive_file
plain refresh "$DARK" filled refresh
plain folder-open "$DARK" filled folder_open
plain settings-filled "$DARK" filled settings
struck settings_off "$DARK" outlined settings
plain play-circle "$DARK" filled play_circle
plain stop-circle "$DARK" filled stop_circle
plain restart-alt "$DARK" filled restart_alt
plain insert-drive-file "$DARK" filled insert_drive_file

# Application icon: a white development board on a rounded square in the brand colour.
app_icon="<rect x=\"1\" y=\"1\" width=\"22\" height=\"22\" rx=\"5\" fill=\"$BRAND\"/>$(place 4 4 16 '#FFFFFF' filled developer_board)"
render "$app_icon" "$APP_ICON" 32
for size in 32 48 64 128; do
    render "$app_icon" "$HICOLOR_DIR/${size}x${size}/apps/vtl-i2c.png" "$size"
done

echo "make-icons: wrote $(find "$PNG_DIR" -name '*.png' | wc -l) pictograms and the application icon"
