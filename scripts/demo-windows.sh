#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Shows the Windows control at work: sets up the machine, cross-builds the
# library and the demo application KeyBordDemo.exe, registers the library in
# a private Wine prefix and starts the demo on your display.
#
# With no display (or with --headless) it runs the demo on a virtual screen,
# types a short word through the system's input, and writes a screenshot
# (PNG) of the window, whose path it prints. The letters come out in capitals,
# as the control starts with CapsLock on.
#
#   scripts/demo-windows.sh [--arch x86|x64] [--headless] [--word WORD] [--out FILE.png]
#
# Build directory: build-windows (x86, the default) or build-windows-x64 (or
# $VEXO_WINDOWS_BUILD); Wine prefix: <build>/wineprefix-demo, of the
# library's bitness; the demo saves its properties to <build>/KeyBordDemo.vkb.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source scripts/windows-arch.sh
arch=x86
headless=0
word="hello 42!"
out=""
while (($#)); do
  case $1 in
    --arch) arch=${2:-}; shift ;;
    --headless) headless=1 ;;
    --word) word=$2; shift ;;
    --out) out=$2; shift ;;
    *) echo "usage: $0 [--arch x86|x64] [--headless] [--word WORD] [--out FILE.png]" >&2; exit 2 ;;
  esac
  shift
done
[[ -n ${DISPLAY:-} ]] || headless=1
windows_arch "$arch"

bash scripts/setup-windows.sh
if ((headless)); then
  bash scripts/install-packages.sh imagemagick  # for the screenshot
fi

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target VexoKeyBord KeyBordDemo
build=$(cd "$build" && pwd)
ocx=$build/src/hosting/VexoKeyBord.ocx
exe=$build/tools/keybord-demo/KeyBordDemo.exe
prefix=$build/wineprefix-demo
saved=$build/KeyBordDemo.vkb

source cmake/wine-prefix.sh
[[ -f $prefix/.vexo-ready ]] || echo "demo-windows: creating the Wine prefix $prefix"
VEXO_HEAP_CHECKS=off wine_prefix_ready "$prefix" .vexo-ready  # a user's heap, as fast as theirs
wine regsvr32 /s "Z:$ocx" </dev/null
wineserver --wait
echo "demo-windows: VexoKeyBord.ocx ($arch) registered in $prefix"

if ((!headless)); then
  echo "demo-windows: starting KeyBordDemo.exe on $DISPLAY (close its window to end)"
  exec wine "$exe" --file "Z:$saved"
fi

[[ -n $out ]] || out=$build/keybord-demo.png
mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
done_file=$build/keybord-demo.done
rm -f "$done_file"
echo "demo-windows: no display; running the demo on a virtual screen and typing \"$word\""
# On the virtual screen: start the demo, wait until it has typed the word,
# take the picture of its window, and end the prefix's programs.
xvfb-run -a -s "-screen 0 800x400x24 -dpi 96" bash -c '
  exe=$1 saved=$2 word=$3 done_file=$4 out=$5
  wine "$exe" --file "Z:$saved" --type "$word" --done "Z:$done_file" </dev/null >/dev/null 2>&1 &
  for _ in $(seq 1 240); do
    [[ -s $done_file ]] && break
    sleep 0.5
  done
  sleep 1
  status=0
  if [[ -s $done_file ]]; then
    read -r x y width height <<<"$(sed -n 2p "$done_file")"
    import -window root -crop "${width}x${height}+${x}+${y}" +repage "$out" || status=1
  else
    echo "demo-windows: the demo did not finish typing" >&2
    import -window root "$out" || true
    status=1
  fi
  wineserver -k >/dev/null 2>&1 || true
  exit $status' demo-windows "$exe" "$saved" "$word" "$done_file" "$out"
echo "demo-windows: the control's text: \"$(sed -n 1p "$done_file")\""
echo "demo-windows: screenshot: $out"
