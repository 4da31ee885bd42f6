#!/usr/bin/env bash
# The README's examples in "Using the control" are the tests' own lines: each
# line of a VBScript, JScript or C++ block must stand, as it is, in the file
# that a test runs.
#   check-readme-examples.sh <README.md> <tests/wine folder>
set -euo pipefail
readme=$1 tests=$2
status=0
declare -A fileOf=([vb]=keybord.vbs [js]=keybord.js [cpp]=client/ReadmeClient.cpp)
section=$(awk '/^## Using the control$/ {inside = 1; next} /^## / {inside = 0} inside' "$readme")
if [[ -z $section ]]; then
  echo "check-readme-examples: FAILED: no section \"Using the control\"" >&2
  exit 1
fi
checked=0
language=""
while IFS= read -r line; do
  if [[ -z $language && $line =~ ^\`\`\`(vb|js|cpp)$ ]]; then
    language=${BASH_REMATCH[1]}
    continue
  fi
  if [[ -n $language && $line == '```' ]]; then
    language=""
    continue
  fi
  [[ -n $language && -n ${line// /} ]] || continue
  checked=$((checked + 1))
  if ! grep -qxF -- "$line" "$tests/${fileOf[$language]}"; then
    echo "check-readme-examples: FAILED: not in ${fileOf[$language]}: $line" >&2
    status=1
  fi
done <<<"$section"
if ((status == 0)); then
  echo "check-readme-examples: all $checked lines of the examples stand in the tests"
fi
exit $status
