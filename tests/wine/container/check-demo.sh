#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The demo application end to end: registered in the prefix, it types a word
# through the system's input, saves the control's properties to a file, loads
# them into a fresh control and closes; the fresh control's text must be the
# word as typed. At the screen's density given (96 if none), the window must
# show the whole control: its window lies inside the host area's client
# rectangle, and the host area inside the demo's window.
#   check-demo.sh <prefix dir> <VexoKeyBord.ocx> <KeyBordDemo.exe> <work dir> [dpi]
set -euo pipefail
prefix=$1 ocx=$2 exe=$3 work=$4 dpi=${5:-96}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$work"
rm -f "$work/demo.vkb" "$work/demo.done"
# The word, and the text the control makes of it with CapsLock on.
word="ab 12!" expected="AB 12!"
"$here/run-on-screen.sh" "$prefix" "$dpi" regsvr32 /s "Z:$ocx"
status=0
timeout 180 "$here/run-on-screen.sh" "$prefix" "$dpi" "$exe" --file "Z:$work/demo.vkb" --type "$word" --reload \
  --done "Z:$work/demo.done" || status=$?
"$here/run-on-screen.sh" "$prefix" "$dpi" regsvr32 /u /s "Z:$ocx"
text=$(sed -n 1p "$work/demo.done" 2>/dev/null || true)
if ! ((status == 0)) || [[ $text != "$expected" || ! -s $work/demo.vkb ]]; then
  echo "check-demo: FAILED: exit status $status; the reloaded control holds \"$text\", not \"$expected\"" >&2
  exit 1
fi
# dpi D control LEFT TOP RIGHT BOTTOM host WIDTH HEIGHT in LEFT TOP RIGHT BOTTOM
placement=$(sed -n 3p "$work/demo.done")
read -r _ seen _ left top right bottom _ width height _ hostLeft hostTop hostRight hostBottom <<<"$placement"
read -r _ _ frameWidth frameHeight <<<"$(sed -n 2p "$work/demo.done")"
if [[ $seen != "$dpi" ]]; then
  echo "check-demo: FAILED: the demo ran at $seen dots per inch, not $dpi" >&2
  exit 1
fi
if ((right - left < 100 || bottom - top < 100 || left < 0 || top < 0 || right > width || bottom > height)); then
  echo "check-demo: FAILED: the control's window ($left $top $right $bottom) is cut off by its host area" \
    "(${width}x$height) at $dpi dots per inch" >&2
  exit 1
fi
if ((hostLeft < 0 || hostTop < 0 || hostRight > frameWidth || hostBottom > frameHeight)); then
  echo "check-demo: FAILED: the host area ($hostLeft $hostTop $hostRight $hostBottom) is cut off by the window" \
    "(${frameWidth}x$frameHeight) at $dpi dots per inch" >&2
  exit 1
fi
echo "check-demo: typed, saved and loaded \"$text\"; at $dpi dots per inch the control ($left $top $right $bottom)" \
  "shows whole in its host area (${width}x$height)"
