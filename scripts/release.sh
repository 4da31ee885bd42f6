#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the release folder and its zip: both installer packages, the kit of
# each bitness, the docs, the Qt widget's packages where the native build has
# it, and SHA256SUMS. With a certificate the libraries are signed before the
# packages are built from them, and the packages after:
#   VEXO_SIGN_CERT=cert.pem VEXO_SIGN_KEY=key.pem scripts/release.sh
#   VEXO_SIGN_PKCS12=vendor.p12 VEXO_SIGN_PASSWORD=... scripts/release.sh
# (VEXO_SIGN_TIMESTAMP=URL adds a time stamp.) Output: release/VexoKeyBord-<version>/
# and release/VexoKeyBord-<version>.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/windows-arch.sh
# The one place the version is written.
version=$(sed -n 's/^project(VexoKeyBord VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=VexoKeyBord-$version
out=release/$name
rm -rf "$out" "release/$name.zip" && mkdir -p "$out"

signing=()
if [[ -n ${VEXO_SIGN_PKCS12:-} ]]; then
  signing=(--pkcs12 "$VEXO_SIGN_PKCS12")
elif [[ -n ${VEXO_SIGN_CERT:-} && -n ${VEXO_SIGN_KEY:-} ]]; then
  signing=(--cert "$VEXO_SIGN_CERT" --key "$VEXO_SIGN_KEY")
else
  echo "release: no certificate given (VEXO_SIGN_CERT and VEXO_SIGN_KEY, or VEXO_SIGN_PKCS12): nothing is signed"
fi
[[ -z ${VEXO_SIGN_TIMESTAMP:-} || ${#signing[@]} -eq 0 ]] || signing+=(--timestamp "$VEXO_SIGN_TIMESTAMP")
sign() { if ((${#signing[@]})); then scripts/sign.sh "${signing[@]}" "$@"; fi; }

for arch in x86 x64; do
  windows_arch "$arch"
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j2 --target VexoKeyBordKit VexoKeyBordInstallerDescription
  cp -r "$build/kit" "$out/kit-$arch"
  sign "$out/kit-$arch/VexoKeyBord.ocx"
done
for arch in x86 x64; do
  windows_arch "$arch"
  kit64=$out/kit-x64
  [[ $arch == x86 ]] && kit64=$out/kit-x86
  installer/make-msi.sh "$PWD/$build/installer/VexoKeyBord-$arch.wxs" "$PWD/$out/$name-$arch.msi" \
    "$PWD/$out/kit-x86" "$PWD/$kit64" "$PWD/docs"
  sign "$out/$name-$arch.msi"
done

cp -r docs "$out/docs" && cp README.md LICENSE "$out/"
# The Qt widget's Debian packages (library and development files), made from
# the native build where it has the widget.
if [[ -f build/CPackConfig.cmake ]]; then
  cmake --build build -j2 --target vexo_keybord_widget
  cpack -G DEB --config build/CPackConfig.cmake -B "$PWD/release/cpack" >/dev/null
  mv release/cpack/*.deb "$out/" && rm -rf release/cpack
else
  echo "release: no native build with the Qt widget in build/: the Qt packages are left out"
fi
(cd "$out" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | sort | xargs sha256sum >SHA256SUMS)
(cd release && python3 -m zipfile -c "$name.zip" "$name")
echo "release: $out and release/$name.zip"
