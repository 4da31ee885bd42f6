#!/usr/bin/env bash
# The demo application end to end: registered in the prefix, it types a word
# through the system's input, saves the control's properties to a file, loads
# them into a fresh control and closes; the fresh control's text must be the
# word as typed.
#   check-demo.sh <prefix dir> <VexoKeyBord.ocx> <KeyBordDemo.exe> <work dir>
set -euo pipefail
prefix=$1 ocx=$2 exe=$3 work=$4
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$work"
rm -f "$work/demo.vkb" "$work/demo.done"
# The word, and the text the control makes of it with CapsLock on.
word="ab 12!" expected="AB 12!"
"$here/run-on-screen.sh" "$prefix" 96 regsvr32 /s "Z:$ocx"
status=0
timeout 180 "$here/run-on-screen.sh" "$prefix" 96 "$exe" --file "Z:$work/demo.vkb" --type "$word" --reload \
  --done "Z:$work/demo.done" || status=$?
"$here/run-on-screen.sh" "$prefix" 96 regsvr32 /u /s "Z:$ocx"
text=$(sed -n 1p "$work/demo.done" 2>/dev/null || true)
if ((status == 0)) && [[ $text == "$expected" && -s $work/demo.vkb ]]; then
  echo "check-demo: typed, saved and loaded \"$text\""
else
  echo "check-demo: FAILED: exit status $status; the reloaded control holds \"$text\", not \"$expected\"" >&2
  exit 1
fi
