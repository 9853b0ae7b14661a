#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The TORXAL developers
# Builds the Debian package torxal_<version>_<arch>.deb into DIR (default build-paquete/):
# a Release build in DIR/obra, installed under /usr and packed by CPack. The last line
# printed is the package's path, so a script can take it with 'tail -n 1'.
# Usage: tools/paquete.sh [DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
destino=$(realpath -m "${1:-build-paquete}")
obra=$destino/obra
# CPack's dependency computation runs dpkg-shlibdeps, which needs file.
bash tools/instalar-dependencias.sh dpkg-dev file

# Debian's hardening flags, all of them, binding every symbol at start-up as well; CMake
# takes them from the environment when it first configures the folder, and as it reads
# no CPPFLAGS, those go in CXXFLAGS.
export DEB_BUILD_MAINT_OPTIONS=${DEB_BUILD_MAINT_OPTIONS:-hardening=+all}
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CXXFLAGS LDFLAGS
cmake -S . -B "$obra" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DBUILD_TESTING=OFF -DTORXAL_BUILD_APP=ON
cmake --build "$obra"

# CPack leaves its staging tree beside the package; both stay in the build folder.
rm -f "$obra"/cpack/*.deb
cpack --config "$obra/CPackConfig.cmake" -B "$obra/cpack"
paquetes=("$obra"/cpack/*.deb)
[[ ${#paquetes[@]} -eq 1 && -f ${paquetes[0]} ]] || { echo "paquete: CPack no ha dejado un solo paquete en $obra/cpack." >&2; exit 1; }
mkdir -p "$destino"
mv -f "${paquetes[0]}" "$destino/"
echo "$destino/$(basename "${paquetes[0]}")"
