#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The examples in the section "Using the control" of each page (the README's
# short ones, docs/windows.md's whole ones) are the tests' own lines: each
# line of a VBScript, JScript or C++ block must stand, as it is, in the file
# that a test runs; each XML block is, whole, one of the application manifests
# that the registration-free test uses, and each of those is shown on some page.
#   check-readme-examples.sh <tests/wine folder> <page.md>...
set -euo pipefail
tests=$1
shift
status=0
declare -A fileOf=([vb]=keybord.vbs [js]=keybord.js [cpp]=client/ReadmeClient.cpp)
declare -A shown=()
checked=0
for page in "$@"; do
  section=$(awk '/^## Using the control$/ {inside = 1; next} /^## / {inside = 0} inside' "$page")
  if [[ -z $section ]]; then
    echo "check-readme-examples: FAILED: no section \"Using the control\" in $page" >&2
    status=1
    continue
  fi
  language=""
  xml=""
  lines=0
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
          echo "check-readme-examples: FAILED: an XML block of $page that is no manifest of client/: ${xml%%$'\n'*}" >&2
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
    lines=$((lines + 1))
    if ! grep -qxF -- "$line" "$tests/${fileOf[$language]}"; then
      echo "check-readme-examples: FAILED: a line of $page not in ${fileOf[$language]}: $line" >&2
      status=1
    fi
  done <<<"$section"
  if ((lines == 0)); then
    echo "check-readme-examples: FAILED: no VBScript, JScript or C++ example in \"Using the control\" of $page" >&2
    status=1
  fi
  checked=$((checked + lines))
done
for manifest in "$tests"/client/*.manifest; do
  checked=$((checked + 1))
  if [[ -z ${shown[$manifest]:-} ]]; then
    echo "check-readme-examples: FAILED: no page shows, whole, $manifest" >&2
    status=1
  fi
done
if ((status == 0)); then
  echo "check-readme-examples: all $checked lines of the examples stand in the tests"
fi
exit $status
