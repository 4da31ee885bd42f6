#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Instructions per key typed at the end of a short and of a long edit field,
# counted by valgrind's callgrind in the headless host. Instruction counts do
# not move with the machine's load, so the ratio is a figure a change can be
# held to: a key must not cost more the longer the field.
#
# Usage: bash scripts/bench-instructions.sh [KEYS]   (default: 200 keys per field)
# Build directory: build (VEXO_BUILD to change it).
set -euo pipefail
cd "$(dirname "$0")/.."
keys=${1:-200}
build=${VEXO_BUILD:-build}
lengths=(10 32000)

if ! command -v valgrind >/dev/null; then
  echo "bench-instructions: valgrind is missing; install it (bash scripts/setup.sh does)" >&2
  exit 1
fi
[[ $keys =~ ^[1-9][0-9]*$ ]] || { echo "bench-instructions: KEYS must be a positive number" >&2; exit 2; }

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target keybord-shell >/dev/null
shell=$build/tools/keybord-shell/keybord-shell
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Only the key-down handler is counted. Each key (K on the letter panel) goes
# in at the end of a field of exactly LENGTH characters: the Backspace that
# takes it out again is a host call, outside the count. So is a first key
# typed through a host call: the in-memory field's storage grows once, on the
# first insertion, and that one copy is the toolkit's, not a key's.
session() {
  local length=$1
  printf 'show\nset Text "%s"\n' "$(head -c "$length" /dev/zero | tr '\0' 'a')"
  printf 'call FindABC "K"\ncall KeyF1ToF6 8\n'
  for ((i = 0; i < keys; ++i)); do
    printf 'keydown picABC 75 0\ncall KeyF1ToF6 8\n'
  done
  printf 'get Text\n'
}

declare -A perKey
for length in "${lengths[@]}"; do
  session "$length" >"$work/session"
  valgrind --tool=callgrind --callgrind-out-file="$work/out.$length" \
    --toggle-collect='vexo::MemoryToolkit::KeyDown*' \
    "$shell" <"$work/session" >"$work/answers" 2>"$work/valgrind.log"
  if grep -q '"ok":false' "$work/answers"; then
    echo "bench-instructions: a command failed in the $length-character session:" >&2
    grep -m3 '"ok":false' "$work/answers" >&2
    exit 1
  fi
  expected=$(printf '"value":"%s"' "$(head -c "$length" /dev/zero | tr '\0' 'a')")
  if [[ $(tail -n1 "$work/answers") != *"$expected"* ]]; then
    echo "bench-instructions: the $length-character field did not end as it began" >&2
    exit 1
  fi
  total=$(sed -n 's/^summary: *\([0-9]*\).*/\1/p' "$work/out.$length")
  [[ -n $total ]] || { echo "bench-instructions: no instruction count in callgrind's output" >&2; exit 1; }
  perKey[$length]=$((total / keys))
  printf 'instructions per key at %6d characters: %d\n' "$length" "${perKey[$length]}"
done
awk -v short="${perKey[10]}" -v long="${perKey[32000]}" \
  'BEGIN { printf "ratio 32000 / 10: %.2f (goal: at most 1.5)\n", long / short }'
