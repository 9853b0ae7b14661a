#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The TORXAL developers
# Starts torxal on a virtual display and saves a picture of its window, as the display shows it.
# Usage: tools/screenshot.sh [program] [picture]   (defaults: build/src/app/torxal, docs/ventana.png)
# With REVISION=1, the picture is of "Revisión de la lista" on a small list with warnings
# (default picture docs/revision.png).
set -euo pipefail
cd "$(dirname "$0")/.."
programa=${1:-build/src/app/torxal}
if [[ -n ${REVISION:-} ]]; then imagen=${2:-docs/revision.png}; else imagen=${2:-docs/ventana.png}; fi
if [[ ! -x "$programa" ]]; then
  echo "No existe $programa; compile antes (tools/test.sh) o indique la ruta del programa." >&2
  exit 1
fi
command -v xvfb-run >/dev/null || { echo "Falta xvfb-run (paquete xvfb)." >&2; exit 1; }
mkdir -p "$(dirname "$imagen")"
if [[ -n ${REVISION:-} ]]; then
  lista=$(mktemp -d)/lista.txt
  trap 'rm -rf "$(dirname "$lista")"' EXIT
  # A NIF list with a wrong control character, a name two characters short that shifts
  # the province and municipality, a record without NIF and a blank line.
  {
    printf '%-9s%-62s%s\r\n' 12345678Z "GARCIA LOPEZ MARIA" 28079
    printf '%-9s%-62s%s\r\n' 12345678A "MUNOZ IBANEZ JOSE" 08019
    printf '%-9s%-60s%s\r\n' 33445566R "PEREZ NUNEZ BEGONA" 46250
    printf '\r\n'
    printf '%-9s%-62s%s\r\n' "" "SIN NIF ANTONIO" 48020
    printf '%-9s%-62s%s\r\n' 50123456Q "ROMERO DIAZ LUCIA" 41091
  } >"$lista"
  export TORXAL_CAPTURA_REVISION=$lista
fi
# The program grabs the display itself once its window is up, then ends; the timeout
# only guards against a window that never appears.
TORXAL_CAPTURA="$(realpath -m "$imagen")" QT_QPA_PLATFORM=xcb \
  timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" "$programa"
echo "Captura guardada en $imagen"
