#!/usr/bin/env bash
# The README's examples in "Using the control" are the tests' own lines: each
# line of a VBScript, JScript or C++ block must stand, as it is, in the file
# that a test runs; each XML block is, whole, one of the application manifests
# that the registration-free test uses, and each of those is shown.
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
xml=""
declare -A shown=()
while IFS= read -r line; do
  if [[ -z $language && $line =~ ^\`\`\`(vb|js|cpp|xml)$ ]]; then
    language=${BASH_REMATCH[1]}
    continue
  fi
  if [[ -n $language && $line == '```' ]]; then
    if [[ $language == xml ]]; then
      found=""
      for manifest in "$tests"/client/*.manifest; do
        [[ $xml == "$(cat "$manifest")"$'\n' ]] && found=$manifest
      done
      if [[ -n $found ]]; then
        shown[$found]=1
      else
        echo "check-readme-examples: FAILED: an XML block that is no manifest of client/: ${xml%%$'\n'*}" >&2
        status=1
      fi
      xml=""
    fi
    language=""
    continue
  fi
  if [[ $language == xml ]]; then
    xml+=$line$'\n'
    continue
  fi
  [[ -n $language && -n ${line// /} ]] || continue
  checked=$((checked + 1))
  if ! grep -qxF -- "$line" "$tests/${fileOf[$language]}"; then
    echo "check-readme-examples: FAILED: not in ${fileOf[$language]}: $line" >&2
    status=1
  fi
done <<<"$section"
for manifest in "$tests"/client/*.manifest; do
  checked=$((checked + 1))
  if [[ -z ${shown[$manifest]:-} ]]; then
    echo "check-readme-examples: FAILED: no block of the README is, whole, $manifest" >&2
    status=1
  fi
done
if ((status == 0)); then
  echo "check-readme-examples: all $checked lines of the examples stand in the tests"
fi
exit $status
