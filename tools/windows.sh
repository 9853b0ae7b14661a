#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The TORXAL developers
# Builds TORXAL for 64-bit Windows on Debian 12 and packs it: Qt (from Debian's qt6-base
# source, of the host Qt's version) and QuaZip are cross-built with mingw-w64 once, into
# ${XDG_CACHE_HOME:-~/.cache}/torxal/qt-<version>-mingw, and reused while their stamp
# matches; then TORXAL is built in DIR (default build-windows/), deployed into DIR/torxal
# with the DLLs it needs, and packed as DIR/torxal-<version>-win64-setup.exe (NSIS) and
# DIR/torxal-<version>-win64.zip. Installs whatever it needs itself (root or sudo).
# Usage: tools/windows.sh [--solo-qt] [DIR]
#   --solo-qt  only prepares the cached Qt and QuaZip, and prints the prefix.
# TORXAL_TRABAJOS sets the build's parallel jobs (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/windows/comun.sh

solo_qt=
if [[ ${1:-} == --solo-qt ]]; then
  solo_qt=1
  shift
fi
destino=$(realpath -m "${1:-build-windows}")
mkdir -p "$TORXAL_CACHE"

# The sources are fetched only when the cache cannot serve: then a deb-src entry is
# needed before the one 'apt-get update' that the installation runs.
necesita_fuentes=1
if [[ $(dpkg-query -W -f='${Status}' qt6-base-dev 2>/dev/null) == "install ok installed" ]] &&
  command -v "$TORXAL_MINGW-g++-posix" >/dev/null; then
  calcular_qt
  qt_al_dia && { ! usa_quazip || [[ -f $QT_PREFIJO/torxal-quazip.sello ]]; } && necesita_fuentes=
fi
[[ -z $necesita_fuentes ]] || asegurar_deb_src
bash tools/instalar-dependencias.sh "${TORXAL_PAQUETES_WINDOWS[@]}"
# Pipelines here read to the end: with pipefail, an early exit would fail the writer.
if [[ -n $necesita_fuentes && $(apt-cache showsrc qt6-base 2>/dev/null) != *Version:* ]]; then
  export DEBIAN_FRONTEND=noninteractive
  ponerse_sudo apt-get update
fi

calcular_qt
if qt_al_dia; then
  echo "Qt $QT_VERSION para Windows, ya construido: $QT_PREFIJO"
else
  inicio=$SECONDS
  construir_qt
  echo "Qt construido en $((SECONDS - inicio)) s; ocupa $(du -sh "$QT_PREFIJO" | cut -f1)."
fi
# QuaZip only once the program links it.
if usa_quazip; then
  calcular_quazip
  if quazip_al_dia; then
    echo "QuaZip para Windows, ya construido."
  else
    inicio=$SECONDS
    construir_quazip
    echo "QuaZip construido en $((SECONDS - inicio)) s."
  fi
fi
if [[ -n $solo_qt ]]; then
  echo "$QT_PREFIJO"
  exit 0
fi

# --- TORXAL ----------------------------------------------------------------------------
inicio=$SECONDS
version=$(sed -n 's/^set(TORXAL_VERSION_TEXTO "\([^"]*\)")$/\1/p' CMakeLists.txt)
[[ -n $version ]] || { echo "windows: no se encuentra TORXAL_VERSION_TEXTO en CMakeLists.txt." >&2; exit 1; }
# The window's pictures as PNGs, drawn by the host's Qt Svg (there is none for Windows
# here), and the program's icon at the sizes Windows shows.
imagenes=$destino/imagenes
cmake -S tools/windows/svgapng -B "$destino/svgapng" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$destino/svgapng" >/dev/null
mkdir -p "$imagenes"
for svg in src/app/imagenes/*.svg; do
  QT_QPA_PLATFORM=offscreen "$destino/svgapng/svgapng" 2 "$svg" "$imagenes/$(basename "$svg" .svg).png"
done
lados=()
for lado in 16 24 32 48 256; do
  QT_QPA_PLATFORM=offscreen "$destino/svgapng/svgapng" 1 src/app/imagenes/torxal.svg "$imagenes/icono-$lado.png" "$lado"
  lados+=("$imagenes/icono-$lado.png")
done
convert "${lados[@]}" "$imagenes/torxal.ico"

cmake -S . -B "$destino" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$QT_PREFIJO/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DTORXAL_IMAGENES_PNG="$imagenes" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON -DTORXAL_BUILD_APP=ON \
  -DTORXAL_WERROR="${CI:+ON}"
cmake --build "$destino" -j "${TORXAL_TRABAJOS:-2}"
echo "TORXAL para Windows construido en $((SECONDS - inicio)) s."

# --- The folder, the installer and the zip ---------------------------------------------
inicio=$SECONDS
carpeta=$destino/torxal
desplegar "$carpeta" "$destino/src/app/torxal.exe" "$destino/src/cli/torxal-cli.exe"
mkdir -p "$carpeta/ayuda"
cp src/app/ayuda/ayuda.html "$carpeta/ayuda/"
licencia=paquete/copyright
[[ -f COPYING ]] && licencia=COPYING
cp "$licencia" "$carpeta/LICENCIA.txt"

instalador=$destino/torxal-$version-win64-setup.exe
comprimido=$destino/torxal-$version-win64.zip
# The system settings file (configured by paquete/) goes to %PROGRAMDATA%\torxal, if
# the user keeps that part: the programs never read one from their own folder.
empaquetar "$carpeta" "$version" "$licencia" "$destino/paquete/torxal.conf" "$instalador" "$comprimido"
echo "Instalador y zip hechos en $((SECONDS - inicio)) s."
ls -l "$instalador" "$comprimido"
