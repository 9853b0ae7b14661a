#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The TORXAL developers
# Installs what is missing, builds, converts an example list and opens the window.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/instalar-dependencias.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build

# A first conversion on a copy of an example, so the list in the repository stays clean.
ejemplos=$(mktemp -d)
cp examples/nif.txt "$ejemplos/"
build/src/cli/torxal-cli --tipo nif "$ejemplos/nif.txt"
echo "---- $ejemplos/nif.xml"
cat "$ejemplos/nif.xml"
rm -rf "$ejemplos"

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No hay pantalla gráfica (DISPLAY): no se abre la ventana."
  echo "Para verla sin pantalla: bash tools/screenshot.sh (guarda docs/ventana.png)."
  exit 0
fi
exec build/src/app/torxal
