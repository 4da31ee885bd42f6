#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The main job: set up, build the headless host and run it on a short demo
# script that types a word on the on-screen keyboard, then print the result.
# Usage: bash scripts/demo.sh [SCRIPT.keys]   (default: scripts/demo.keys)
set -euo pipefail
cd "$(dirname "$0")/.."
script=${1:-scripts/demo.keys}

bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target keybord-shell >/dev/null
shell=build/tools/keybord-shell/keybord-shell

# The host writes one answer per command; comments and blank lines get none.
mapfile -t commands < <(grep -v -E '^[[:space:]]*(#|$)' "$script" | tr -d '\r')
mapfile -t answers < <(printf '%s\n' "${commands[@]}" | "$shell")
if ((${#answers[@]} != ${#commands[@]})); then
  echo "demo: expected ${#commands[@]} answers, got ${#answers[@]}" >&2
  exit 1
fi

echo "== keybord-shell session ($script)"
failures=0
text=
for i in "${!commands[@]}"; do
  answer=${answers[$i]}
  # The dump is long: show the state of the field and the panels, not every key.
  shown=${answer%%,\"surface\"*}
  [[ $shown == "$answer" ]] || shown+=", ...}"
  printf '> %s\n  %s\n' "${commands[$i]}" "$shown"
  [[ $answer == '{"ok":true'* ]] || failures=$((failures + 1))
  if [[ ${commands[$i]} == "get Text" && $answer =~ ^\{\"ok\":true,\"value\":(.*)\}$ ]]; then
    text=${BASH_REMATCH[1]}
  fi
done

echo
echo "== result"
echo "Typed text: ${text:-(not read)}"
echo "Commands: ${#commands[@]}, failed: $failures"
((failures == 0))
