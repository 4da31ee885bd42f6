#!/usr/bin/env bash
# Installs everything the project needs on a fresh Debian 12 machine.
# Idempotent: when every package is present it changes nothing and returns at once.
set -euo pipefail

packages=(
  build-essential cmake g++ git
  libgtest-dev googletest libbenchmark-dev nlohmann-json3-dev
  clang libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
