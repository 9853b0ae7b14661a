#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The TORXAL developers
# Installs the Debian packages the build and the tests need, only those missing,
# with a single 'apt-get update' beforehand. Needs root (or sudo) on Debian 12.
set -euo pipefail

paquetes=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-svg-dev libquazip1-qt6-dev qt6-translations-l10n libqt6svg6
  desktop-file-utils appstream
  xvfb xauth
  "$@"
)

faltan=()
for paquete in "${paquetes[@]}"; do
  estado=$(dpkg-query -W -f='${Status}' "$paquete" 2>/dev/null || true)
  [[ "$estado" == "install ok installed" ]] || faltan+=("$paquete")
done
[[ ${#faltan[@]} -eq 0 ]] && exit 0

sudo_si_hace_falta=()
[[ $(id -u) -eq 0 ]] || sudo_si_hace_falta=(sudo)
echo "Instalando: ${faltan[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_si_hace_falta[@]}" apt-get update
"${sudo_si_hace_falta[@]}" apt-get install -y --no-install-recommends "${faltan[@]}"
