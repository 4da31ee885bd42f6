#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Refuses an include that points up the layers. From the bottom: the widget
# interface and key store (src/widgets/), the toolkits on it
# (src/widgets/memory, win32, qt), the component (src/component, panels,
# editing, input), the hostings (src/hosting/, the Qt widget in
# src/hosting/qt/) and the tools. The tests' fixtures (tests/support/) stand
# on the component and the in-memory toolkit; no tool includes them. A file
# may include its own layer and those below it, never one above.
#
# Every file under src/, tools/ and tests/support/, in folders at any depth,
# is held to the rule of the nearest folder above it that the table names; a
# folder that none covers is an error, so a new one must be given its place.
# An include is first found as the compiler finds it (beside the file, then
# under src/, the Qt widget's public include folder and tests/), so "../"
# paths and the public "vexo/" headers are judged by where they lead.
#   scripts/check-layers.sh               (exit 1 and a line per upward include)
#   scripts/check-layers.sh --self-test   (plants upward includes in a scratch
#                                          tree and checks that each is refused)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here/.."

# What a file under each folder must not include, as paths from the top of
# the tree. The toolkits are siblings: none includes another.
above_widgets='src/(component|panels|editing|input|hosting)/|tools/|tests/'
above_component='src/hosting/|src/widgets/(memory|win32|qt)/|tools/|tests/'
declare -A forbidden=(
  [src/widgets]="$above_widgets|src/widgets/(memory|win32|qt)/"
  [src/widgets/memory]="$above_widgets|src/widgets/(win32|qt)/"
  [src/widgets/win32]="$above_widgets|src/widgets/(memory|qt)/"
  [src/widgets/qt]="$above_widgets|src/widgets/(memory|win32)/"
  [src/component]=$above_component
  [src/panels]=$above_component
  [src/editing]=$above_component
  [src/input]=$above_component
  # The ActiveX library: on the Win32 toolkit, beside (not on) the Qt widget.
  [src/hosting]='src/hosting/qt/|src/widgets/(memory|qt)/|tools/|tests/'
  # The Qt widget: on the Qt toolkit, apart from the ActiveX library's files.
  [src/hosting/qt]='src/hosting/[^/]+$|src/hosting/tools/|src/widgets/(memory|win32)/|tools/|tests/'
  [tests/support]='src/hosting/|src/widgets/(win32|qt)/|tools/'
  [tools]='tests/'
)

if [[ ${1:-} == --self-test ]]; then
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  mkdir -p "$scratch/scripts" "$scratch/src/component" "$scratch/src/widgets/memory/deeper" \
    "$scratch/src/hosting/qt/include/vexo" "$scratch/tests/support" "$scratch/tools/a-tool"
  cp "$0" "$scratch/scripts/check-layers.sh"
  touch "$scratch/src/component/KeyBord.h" "$scratch/src/hosting/qt/include/vexo/KeyBordWidget.h"
  # Includes that point down, which must pass.
  printf '#include "component/KeyBord.h"\n#include <vector>\n' >"$scratch/tests/support/Fixture.h"
  printf '#include "vexo/KeyBordWidget.h"\n#include "component/KeyBord.h"\n' >"$scratch/tools/a-tool/main.cpp"
  bash "$scratch/scripts/check-layers.sh" >"$scratch/out" || { cat "$scratch/out"; echo "check-layers: self-test: a clean tree was refused"; exit 1; }
  # Four upward includes, each of a kind the check must see: a folder two
  # deep, a "../" path, a public header of the Qt widget, and a tool's own.
  printf '#include "component/KeyBord.h"\n' >"$scratch/src/widgets/memory/deeper/Deep.h"
  printf '  #  include "../../component/KeyBord.h"\n' >"$scratch/src/widgets/memory/Relative.h"
  printf '#include "vexo/KeyBordWidget.h"\n' >"$scratch/src/component/Widget.h"
  printf '#include "../../tools/a-tool/main.cpp"\n' >"$scratch/tests/support/Tool.h"
  refused=$(bash "$scratch/scripts/check-layers.sh" | grep -c 'upward include' || true)
  if [[ $refused != 4 ]]; then
    echo "check-layers: self-test: $refused of 4 planted upward includes refused"
    exit 1
  fi
  echo "check-layers: self-test: the clean tree passes, all 4 planted upward includes are refused"
  exit 0
fi

# The rule's folder for a file's folder: the nearest named one above it.
LayerOf() {
  local folder=$1
  while :; do
    [[ -v forbidden[$folder] ]] && { echo "$folder"; return; }
    [[ $folder == */* ]] || return 0
    folder=${folder%/*}
  done
}

# Where an include leads, as a path from the top of the tree, into `resolved`,
# looked for under the include folders the build names and the top itself;
# empty for one outside the tree (a system or generated header).
Resolve() {
  local folder=$1 name=$2 path="" root part
  if [[ -e $folder/$name || $name == ./* || $name == ../* ]]; then
    path=$folder/$name
  else
    for root in src src/hosting/qt/include tests .; do
      [[ -e $root/$name ]] && { path=$root/$name; break; }
    done
    # A header not built yet (or planted) still names its layer.
    [[ -z $path && $name =~ ^(widgets|component|panels|editing|input|hosting)/ ]] && path=src/$name
  fi
  resolved=""
  [[ -z $path ]] && return 0
  # Fold "./" and "dir/../" away.
  local -a parts=() out=()
  IFS=/ read -ra parts <<<"$path"
  for part in "${parts[@]}"; do
    case $part in
      . | '') ;;
      ..) ((${#out[@]})) && unset 'out[-1]' ;;
      *) out+=("$part") ;;
    esac
  done
  resolved=$(IFS=/; echo "${out[*]}")
}

failed=0
declare -A layerOf=()
files=()
while IFS= read -r -d '' file; do
  files+=("$file")
  folder=${file%/*}
  [[ -v layerOf[$folder] ]] || layerOf[$folder]=$(LayerOf "$folder")
  if [[ -z ${layerOf[$folder]} ]]; then
    echo "check-layers: no layer for $file: name its folder in scripts/check-layers.sh"
    failed=1
  fi
done < <(find src tools tests/support -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.c' -o -name '*.cpp' -o -name '*.rc' \) -print0)

while IFS= read -r hit; do
  file=${hit%%:*}
  rest=${hit#*:}
  line=${rest#*:}
  [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]] || continue
  folder=${file%/*}
  layer=${layerOf[$folder]}
  [[ -n $layer ]] || continue
  Resolve "$folder" "${BASH_REMATCH[1]}"
  if [[ -n $resolved && $resolved =~ ^(${forbidden[$layer]}) ]]; then
    echo "check-layers: upward include: $file:${rest%%:*}: $line"
    failed=1
  fi
done < <(((${#files[@]})) && grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "${files[@]}" || true)
if ((failed)); then exit 1; fi
echo "check-layers: every include of ${#files[@]} files points down"
