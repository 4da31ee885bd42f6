#!/usr/bin/env bash
# Refuses an include that points up the layers. From the bottom: the widget
# interface and key store (src/widgets/), the toolkits on it
# (src/widgets/memory, win32, qt), the component (src/component, panels,
# editing, input), the hostings (src/hosting/) and the tools. A file may
# include its own layer and those below it, never one above.
#   scripts/check-layers.sh   (exit 1 and a line per upward include)
set -euo pipefail
cd "$(dirname "$0")/.."

# The project's folders a file under each folder must not include from.
declare -A forbidden=(
  [src/widgets]='component|panels|editing|input|hosting|tools|widgets/memory|widgets/win32|widgets/qt'
  [src/widgets/memory]='component|panels|editing|input|hosting|tools|widgets/win32|widgets/qt'
  [src/widgets/win32]='component|panels|editing|input|hosting|tools|widgets/memory|widgets/qt'
  [src/widgets/qt]='component|panels|editing|input|hosting|tools|widgets/memory|widgets/win32'
  [src/component]='hosting|tools|widgets/memory|widgets/win32|widgets/qt'
  [src/panels]='hosting|tools|widgets/memory|widgets/win32|widgets/qt'
  [src/editing]='hosting|tools|widgets/memory|widgets/win32|widgets/qt'
  [src/input]='hosting|tools|widgets/memory|widgets/win32|widgets/qt'
  [src/hosting]='tools|widgets/memory|widgets/qt|hosting/qt'
  [src/hosting/qt]='tools|widgets/memory|widgets/win32|hosting/[A-Z]'
)

failed=0
for folder in "${!forbidden[@]}"; do
  pattern="^[[:space:]]*#[[:space:]]*include[[:space:]]*\"(${forbidden[$folder]})/"
  while IFS= read -r hit; do
    [[ -z $hit ]] && continue
    echo "check-layers: upward include: $hit"
    failed=1
  done < <(find "$folder" -maxdepth 1 -type f \( -name '*.h' -o -name '*.cpp' \) -print0 |
             xargs -0 -r grep -HnE "$pattern" || true)
done
if ((failed)); then exit 1; fi
echo "check-layers: every include points down"
