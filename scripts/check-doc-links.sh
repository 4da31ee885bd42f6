#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every relative link of the README and of docs/ must lead to a file that is
# there, and a link to a heading (page.md#heading) to a heading of that page,
# named as the pages are shown: the heading in lower case, blanks as hyphens,
# other punctuation dropped. Links inside fenced code blocks are code, not
# links; links with a scheme (https:, mailto:) are not checked.
#   scripts/check-doc-links.sh [PAGE.md...]   (default: README.md docs/*.md;
#                                              exit 1 and a line per broken link)
set -euo pipefail
if (($# == 0)); then
  cd "$(dirname "$0")/.."
  set -- README.md docs/*.md
fi

# The page's lines outside fenced code blocks, each as "NUMBER:TEXT".
Prose() { awk '/^[[:space:]]*```/ {fenced = !fenced; next} !fenced {print FNR ":" $0}' "$1"; }

# The anchors of a page's headings, one a line.
Anchors() {
  Prose "$1" | sed -nE 's/^[0-9]+:#+[[:space:]]+(.*[^[:space:]])[[:space:]]*$/\1/p' |
    tr '[:upper:]' '[:lower:]' | sed -E 's/[^a-z0-9 _-]//g; s/ /-/g'
}

declare -A anchorsOf=()
failed=0 checked=0
for page in "$@"; do
  folder=$(dirname "$page")
  while IFS= read -r numbered; do
    number=${numbered%%:*}
    text=${numbered#*:}
    while IFS= read -r link; do
      [[ -z $link ]] && continue
      target=${link#](}
      target=${target%)}
      target=${target%% *}  # a title after the target: ](page.md "title")
      [[ $target =~ ^[a-zA-Z][a-zA-Z0-9+.-]*: ]] && continue
      checked=$((checked + 1))
      path=${target%%#*}
      anchor=""
      [[ $target == *"#"* ]] && anchor=${target#*#}
      file=$page
      [[ -n $path ]] && file=$folder/$path
      if [[ ! -e $file ]]; then
        echo "check-doc-links: $page:$number: no such file: $target"
        failed=1
        continue
      fi
      [[ -n $anchor && $file == *.md ]] || continue
      [[ -v anchorsOf[$file] ]] || anchorsOf[$file]=$(Anchors "$file")
      if ! grep -qxF -- "$anchor" <<<"${anchorsOf[$file]}"; then
        echo "check-doc-links: $page:$number: no heading #$anchor in $file"
        failed=1
      fi
    done < <(grep -oE '\]\([^)]+\)' <<<"$text" || true)
  done < <(Prose "$page" | grep -F '](' || true)
done
if ((failed)); then exit 1; fi
echo "check-doc-links: all $checked relative links lead to their pages and headings"
