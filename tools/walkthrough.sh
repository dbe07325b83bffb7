#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Walks the demo program as a new user would, on a virtual screen with a window manager,
# and saves screenshots: the window at start, connected after a search, with every dock
# open (and each dock in front), at 1366x768 and at 1920x1080.
#   tools/walkthrough.sh <build folder> <screenshot folder>
# Needs Xvfb (tools/install-deps.sh), xdotool, imagemagick and openbox.
set -euo pipefail

if [[ $# -ne 2 ]]; then
    echo "usage: $0 <build folder> <screenshot folder>" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
out=$(mkdir -p "$2" && cd "$2" && pwd)
program="$build/bin/vtl_i2c_sim"
for tool in Xvfb xdotool import openbox; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[[ -x "$program" ]] || { echo "missing: $program (build vtl_i2c_sim first)" >&2; exit 1; }

pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
}
trap cleanup EXIT

# Lets the window settle (layout, repaint) before a screenshot.
settle() { sleep "${1:-1}"; }

shot() {
    import -window root "$out/$1.png"
    echo "saved $out/$1.png"
}

walk() {
    local size=$1 display=$2
    local home
    home=$(mktemp -d)
    Xvfb ":$display" -screen 0 "${size}x24" -nolisten tcp &
    pids+=($!)
    export DISPLAY=":$display"
    for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
    HOME="$home" openbox &
    pids+=($!)
    settle
    # A fresh home: first start, default layout, the demo's example devices.
    HOME="$home" XDG_CONFIG_HOME="$home/.config" "$program" &
    local app=$!
    pids+=("$app")
    local window
    window=$(xdotool search --sync --onlyvisible --name "Vantrel I2C Tool" | head -n1)
    xdotool windowactivate --sync "$window"
    # Filling the screen frame and all, as a maximised window: the window manager names the
    # width of its frame's left, right, top and bottom parts.
    local extents left right top bottom
    extents=$(xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
    read -r left right top bottom <<<"$extents"
    xdotool windowmove --sync "$window" 0 0
    xdotool windowsize --sync "$window" $(("${size%x*}" - left - right)) \
        $(("${size#*x}" - top - bottom))
    settle
    xdotool windowmove --sync "$window" "$left" "$top"
    settle 2
    shot "$size-start"

    # Connect to the first listed adapter (A), then search the bus.
    xdotool key --window "$window" ctrl+k
    settle 2
    shot "$size-connect-dialog"
    xdotool key Return
    settle 2
    xdotool windowactivate --sync "$window"
    xdotool key F5
    settle 2
    shot "$size-searched"

    # Every dock open; the projects dock is open from the start.
    for key in ctrl+2 ctrl+3 ctrl+4 ctrl+5; do
        xdotool key "$key"
        settle
    done
    xdotool key ctrl+1
    settle 2
    shot "$size-all-docks"
    local name
    for pair in 2:watch 3:registers 4:eeprom 5:scan; do
        name=${pair#*:}
        xdotool key "ctrl+${pair%%:*}"
        settle
        shot "$size-dock-$name"
    done
    # The Simulator window beside it, usable while a transfer's progress dialog is up.
    xdotool key alt+s
    settle
    xdotool key w
    settle 2
    shot "$size-simulator-window"
    # The window's own size with all docks open, as the window manager sees it.
    xdotool getwindowgeometry "$window" | sed "s/^/$size: /"

    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
    cleanup
    pids=()
    rm -rf "$home"
}

walk 1366x768 91
walk 1920x1080 92
