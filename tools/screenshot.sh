#!/usr/bin/env bash
# Starts torxal on a virtual display and saves a picture of its window, as the display shows it.
# Usage: tools/screenshot.sh [program] [picture]   (defaults: build/src/app/torxal, docs/ventana.png)
set -euo pipefail
cd "$(dirname "$0")/.."
programa=${1:-build/src/app/torxal}
imagen=${2:-docs/ventana.png}
if [[ ! -x "$programa" ]]; then
  echo "No existe $programa; compile antes (tools/test.sh) o indique la ruta del programa." >&2
  exit 1
fi
command -v xvfb-run >/dev/null || { echo "Falta xvfb-run (paquete xvfb)." >&2; exit 1; }
mkdir -p "$(dirname "$imagen")"
# The program grabs the display itself once its window is up, then ends; the timeout
# only guards against a window that never appears.
TORXAL_CAPTURA="$(realpath -m "$imagen")" QT_QPA_PLATFORM=xcb \
  timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" "$programa"
echo "Captura guardada en $imagen"
