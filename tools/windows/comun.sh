# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The TORXAL developers
# The pieces tools/windows.sh and tools/prueba-windows.sh share: where the cross-built Qt
# lives, how it is built once and reused, how a Windows program is deployed with the DLLs
# it needs, packed and run under Wine. Sourced, never run; the caller has set -euo pipefail
# and stands at the root of the clone.

TORXAL_MINGW=x86_64-w64-mingw32
TORXAL_CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/torxal
TORXAL_WINDOWS=$PWD/tools/windows

# What the cross build and its checks need beyond tools/instalar-dependencias.sh's list.
# The host's Qt tools (moc, rcc, uic, syncqt's perl) build the Windows Qt; dpkg-dev
# unpacks Debian's sources with their patches.
TORXAL_PAQUETES_WINDOWS=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev libz-mingw-w64-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-translations-l10n
  cmake ninja-build perl python3 dpkg-dev xz-utils patch
  wine wine64 nsis zip unzip xvfb xauth imagemagick
)

ponerse_sudo() {
  if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi
}

# Debian's version of an installed package, e.g. 6.4.2+dfsg-10, and its upstream part, 6.4.2.
version_debian() { dpkg-query -W -f='${source:Version}' "$1"; }
version_original() {
  local v=${1#*:}
  v=${v%-*}
  echo "${v%%+*}"
}

# The source packages are fetched only when something has to be built; deb.debian.org's
# binary entries get a deb-src twin in a file of our own.
FUENTES_TORXAL=/etc/apt/sources.list.d/torxal-deb-src.sources
asegurar_deb_src() {
  if grep -rqsE '^[[:space:]]*(Types:.*deb-src|deb-src[[:space:]])' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    return 0
  fi
  echo "Añadiendo las fuentes de Debian (deb-src) en $FUENTES_TORXAL"
  ponerse_sudo tee "$FUENTES_TORXAL" >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
}

# Runs a long step with its output in a log; on failure the log's end is shown.
registrar() {
  local log=$1
  shift
  if ! "$@" >>"$log" 2>&1; then
    echo "Ha fallado: $*" >&2
    # A compiler's warnings can bury its errors: those come first, then the log's end.
    echo "Errores en $log:" >&2
    grep -E -m 40 '(^FAILED:|error:|Error)' "$log" >&2 || true
    echo "Últimas líneas de $log:" >&2
    tail -n 15 "$log" >&2
    return 1
  fi
}

# --- The cross-built Qt ---------------------------------------------------------------

# Everything the cache depends on besides the source package's version, which already
# fixes Debian's own patch series.
qt_opciones() {
  local host_cmake=$1
  cat <<EOF
-G Ninja
-DCMAKE_BUILD_TYPE=Release
-DBUILD_SHARED_LIBS=ON
-DQT_HOST_PATH=/usr
-DQT_HOST_PATH_CMAKE_DIR=$host_cmake
-DQT_QMAKE_TARGET_MKSPEC=win32-g++
-DQT_BUILD_EXAMPLES=OFF
-DQT_BUILD_TESTS=OFF
-DFEATURE_pkg_config=OFF
-DFEATURE_sql=OFF
-DFEATURE_network=OFF
-DFEATURE_dbus=OFF
-DFEATURE_opengl=OFF
-DFEATURE_vulkan=OFF
-DFEATURE_printsupport=OFF
-DFEATURE_concurrent=OFF
-DFEATURE_xml=OFF
-DFEATURE_icu=OFF
-DFEATURE_zstd=OFF
-DFEATURE_openssl=OFF
-DFEATURE_glib=OFF
-DFEATURE_jpeg=OFF
-DFEATURE_gif=OFF
-DFEATURE_ico=OFF
-DFEATURE_androiddeployqt=OFF
-DFEATURE_freetype=ON
-DFEATURE_harfbuzz=ON
-DFEATURE_system_zlib=OFF
-DFEATURE_system_pcre2=OFF
-DFEATURE_system_png=OFF
-DFEATURE_system_harfbuzz=OFF
-DFEATURE_system_freetype=OFF
-DFEATURE_system_doubleconversion=OFF
-DFEATURE_system_libb2=OFF
EOF
}

# Sets QT_VERSION_DEBIAN, QT_VERSION, QT_PREFIJO, QT_HOST_CMAKE and QT_SELLO (the stamp a
# reusable cache carries). Needs qt6-base-dev installed.
calcular_qt() {
  QT_VERSION_DEBIAN=$(version_debian qt6-base-dev)
  QT_VERSION=$(version_original "$QT_VERSION_DEBIAN")
  QT_PREFIJO=$TORXAL_CACHE/qt-$QT_VERSION-mingw
  local config
  config=$(dpkg -L qt6-base-dev | grep '/cmake/Qt6/Qt6Config.cmake$')
  QT_HOST_CMAKE=$(dirname "$(dirname "$config")")
  QT_SELLO=$(
    echo "qt6-base $QT_VERSION_DEBIAN"
    echo "compilador $("$TORXAL_MINGW-g++-posix" -dumpfullversion 2>/dev/null || echo ninguno)"
    echo "mingw-w64 $(dpkg-query -W -f='${Version}' mingw-w64-x86-64-dev 2>/dev/null || echo ninguno)"
    qt_opciones "$QT_HOST_CMAKE"
    (cd "$TORXAL_WINDOWS" && sha256sum qtbase-*.patch mingw-w64-x86_64.cmake)
  )
}

qt_al_dia() {
  [[ -f $QT_PREFIJO/torxal-qt.sello && -f $QT_PREFIJO/lib/cmake/Qt6/qt.toolchain.cmake ]] &&
    [[ "$(cat "$QT_PREFIJO/torxal-qt.sello")" == "$QT_SELLO" ]]
}

# Debian's source package, unpacked by dpkg-source with Debian's patches applied.
traer_fuente() {
  local paquete=$1 version=$2 destino=$3
  # Run under registrar's 'if', where set -e does not hold: every step is chained.
  (cd "$destino" && apt-get source -q --download-only "$paquete=$version" && dpkg-source -x ./*.dsc fuente)
}

construir_qt() {
  local obra=$TORXAL_CACHE/obra-qt log=$TORXAL_CACHE/qt-$QT_VERSION-mingw.log
  echo "Construyendo Qt $QT_VERSION para Windows en $QT_PREFIJO (registro: $log)"
  rm -rf "$obra" "$QT_PREFIJO"
  mkdir -p "$obra" "$QT_PREFIJO/share/torxal"
  : >"$log"
  # Qt's generated toolchain file loads this one by its absolute path: it must outlive the clone.
  cp "$TORXAL_WINDOWS/mingw-w64-x86_64.cmake" "$QT_PREFIJO/share/torxal/"
  registrar "$log" traer_fuente qt6-base "$QT_VERSION_DEBIAN" "$obra"
  local parche
  for parche in "$TORXAL_WINDOWS"/qtbase-*.patch; do
    registrar "$log" patch -d "$obra/fuente" -p1 -i "$parche"
  done
  local opciones
  mapfile -t opciones < <(qt_opciones "$QT_HOST_CMAKE")
  registrar "$log" cmake -S "$obra/fuente" -B "$obra/obra" "${opciones[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$QT_PREFIJO/share/torxal/mingw-w64-x86_64.cmake" \
    -DCMAKE_INSTALL_PREFIX="$QT_PREFIJO"
  registrar "$log" nice -n 10 cmake --build "$obra/obra" -j "${TORXAL_TRABAJOS:-2}"
  registrar "$log" cmake --install "$obra/obra"
  (cd "$obra/fuente/debian/patches" && grep -v '^#' series | sed '/^$/d' | xargs sha256sum series) \
    >"$QT_PREFIJO/share/torxal/parches-debian.sha256"
  echo "$QT_SELLO" >"$QT_PREFIJO/torxal-qt.sello"
  rm -rf "$obra"
}

# --- QuaZip ---------------------------------------------------------------------------

# QuaZip's own tests and the network fetch of missing libraries stay off; zlib is
# Debian's libz-mingw-w64-dev.
quazip_opciones() {
  cat <<EOF
-G Ninja
-DCMAKE_BUILD_TYPE=Release
-DBUILD_SHARED_LIBS=ON
-DQUAZIP_QT_MAJOR_VERSION=6
-DQUAZIP_ENABLE_TESTS=OFF
-DQUAZIP_FETCH_LIBS=OFF
-DQUAZIP_BZIP2=OFF
EOF
}

usa_quazip() { grep -qs 'QuaZip' CMakeLists.txt src/*/CMakeLists.txt; }

calcular_quazip() {
  QUAZIP_VERSION_DEBIAN=$(apt-cache showsrc libquazip1-qt6 | awk '/^Version:/ && !v {v = $2} END {print v}')
  [[ -n $QUAZIP_VERSION_DEBIAN ]] || { echo "windows: apt no conoce el paquete fuente libquazip1-qt6." >&2; return 1; }
  QUAZIP_SELLO=$(
    echo "libquazip1-qt6 $QUAZIP_VERSION_DEBIAN"
    echo "qt $(sha256sum <"$QT_PREFIJO/torxal-qt.sello")"
    echo "zlib $(dpkg-query -W -f='${Version}' libz-mingw-w64-dev)"
    quazip_opciones
    (cd "$TORXAL_WINDOWS" && sha256sum quazip-*.patch)
  )
}

quazip_al_dia() {
  [[ -f $QT_PREFIJO/torxal-quazip.sello ]] && [[ "$(cat "$QT_PREFIJO/torxal-quazip.sello")" == "$QUAZIP_SELLO" ]]
}

# The archive no longer serves libquazip1-qt6's own tarballs; libquazip1-qt5 is built from
# the very same upstream tarball, which is taken only when its checksum is the one
# libquazip1-qt6's record names.
traer_quazip() {
  local destino=$1
  if (cd "$destino" && apt-get source -q --download-only "libquazip1-qt6=$QUAZIP_VERSION_DEBIAN"); then
    (cd "$destino" && dpkg-source -x ./libquazip1-qt6_*.dsc fuente)
    return
  fi
  echo "El archivo no sirve las fuentes de libquazip1-qt6; se prueba el original de libquazip1-qt5."
  local original version5 suma
  original=$(version_original "$QUAZIP_VERSION_DEBIAN")
  # apt-cache showsrc takes no version: the tarball's name carries it.
  suma=$(apt-cache showsrc libquazip1-qt6 |
    awk -v f="libquazip1-qt6_$original.orig.tar.gz" '/^Checksums-Sha256:/ {s = 1; next} /^[^ ]/ {s = 0} s && $3 == f && !h {h = $1} END {print h}')
  version5=$(apt-cache showsrc libquazip1-qt5 | awk '/^Version:/ && !v {v = $2} END {print v}')
  [[ -n $suma && $(version_original "$version5") == "$original" ]] || {
    echo "windows: no hay otra fuente de QuaZip $original en el archivo." >&2
    return 1
  }
  (cd "$destino" && rm -f ./*.dsc && apt-get source -q --download-only "libquazip1-qt5=$version5")
  echo "$suma  $destino/libquazip1-qt5_$original.orig.tar.gz" | sha256sum -c - || {
    echo "windows: el original de libquazip1-qt5 no es el de libquazip1-qt6." >&2
    return 1
  }
  (cd "$destino" && dpkg-source -x ./libquazip1-qt5_*.dsc fuente)
}

construir_quazip() {
  local obra=$TORXAL_CACHE/obra-quazip log=$TORXAL_CACHE/quazip-mingw.log
  echo "Construyendo QuaZip para Windows en $QT_PREFIJO (registro: $log)"
  rm -rf "$obra" "$QT_PREFIJO/torxal-quazip.sello"
  mkdir -p "$obra"
  : >"$log"
  registrar "$log" traer_quazip "$obra"
  local parche
  for parche in "$TORXAL_WINDOWS"/quazip-*.patch; do
    registrar "$log" patch -d "$obra/fuente" -p1 -i "$parche"
  done
  local opciones
  mapfile -t opciones < <(quazip_opciones)
  registrar "$log" cmake -S "$obra/fuente" -B "$obra/obra" "${opciones[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$QT_PREFIJO/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DCMAKE_INSTALL_PREFIX="$QT_PREFIJO"
  registrar "$log" nice -n 10 cmake --build "$obra/obra" -j "${TORXAL_TRABAJOS:-2}"
  registrar "$log" cmake --install "$obra/obra"
  echo "$QUAZIP_SELLO" >"$QT_PREFIJO/torxal-quazip.sello"
  rm -rf "$obra"
}

# --- Deployment -----------------------------------------------------------------------

# Where a DLL a program imports may come from; anything found in none of them is Windows'
# own (KERNEL32, USER32, ...) and stays out.
carpetas_dll() {
  echo "$QT_PREFIJO/bin"
  dirname "$("$TORXAL_MINGW-g++-posix" -print-file-name=libstdc++-6.dll)"
  echo "/usr/$TORXAL_MINGW/lib"
}

buscar_dll() {
  local nombre=$1 carpeta
  while read -r carpeta; do
    if [[ -f $carpeta/$nombre ]]; then
      realpath "$carpeta/$nombre"
      return 0
    fi
  done < <(carpetas_dll)
  return 1
}

dll_importadas() {
  "$TORXAL_MINGW-objdump" -p "$1" | awk '/DLL Name:/ {print $3}'
}

# Copies into DESTINO every non-system DLL the given programs and plugins need, following
# the DLLs' own imports too, the way windeployqt would.
copiar_dependencias() {
  local destino=$1
  shift
  local pendientes=("$@") hecho=" " fichero nombre ruta
  while [[ ${#pendientes[@]} -gt 0 ]]; do
    fichero=${pendientes[0]}
    pendientes=("${pendientes[@]:1}")
    while read -r nombre; do
      [[ $hecho == *" ${nombre,,} "* ]] && continue
      hecho+="${nombre,,} "
      ruta=$(buscar_dll "$nombre") || continue
      cp "$ruta" "$destino/$nombre"
      pendientes+=("$destino/$nombre")
    done < <(dll_importadas "$fichero")
  done
}

# Makes DESTINO a folder that runs on a Windows machine with nothing else installed: the
# programs, the DLLs they load, the platform plugin (and the style with Widgets), Qt's
# Spanish catalogue in translations/, and a qt.conf that points Qt at all of them.
# Extra plugins (e.g. platforms/qoffscreen.dll for the tests) may follow the programs
# after a "--".
desplegar() {
  local destino=$1
  shift
  local programas=() extras=() p
  while [[ $# -gt 0 && $1 != -- ]]; do programas+=("$1"); shift; done
  [[ $# -gt 0 ]] && shift
  extras=("$@")
  rm -rf "$destino"
  mkdir -p "$destino/platforms" "$destino/translations"
  local copiados=()
  for p in "${programas[@]}"; do
    cp "$p" "$destino/"
    copiados+=("$destino/$(basename "$p")")
  done
  local plugins=(platforms/qwindows.dll "${extras[@]}")
  # The Vista style is what Widgets programs look like on Windows; without it, Fusion.
  if [[ $(for p in "${copiados[@]}"; do dll_importadas "$p"; done) == *Qt6Widgets.dll* ]]; then
    plugins+=(styles/qwindowsvistastyle.dll)
  fi
  for p in "${plugins[@]}"; do
    [[ -f $QT_PREFIJO/plugins/$p ]] || { echo "windows: falta el plugin $p en $QT_PREFIJO/plugins." >&2; return 1; }
    mkdir -p "$destino/$(dirname "$p")"
    cp "$QT_PREFIJO/plugins/$p" "$destino/$p"
    copiados+=("$destino/$p")
  done
  copiar_dependencias "$destino" "${copiados[@]}"
  local catalogo=/usr/share/qt6/translations/qtbase_es.qm
  local version_traducciones
  version_traducciones=$(version_original "$(version_debian qt6-translations-l10n)")
  [[ $version_traducciones == "$QT_VERSION" ]] || {
    echo "windows: qt6-translations-l10n es $version_traducciones y Qt es $QT_VERSION." >&2
    return 1
  }
  cp "$catalogo" "$destino/translations/"
  # Relative paths in qt.conf are taken from the program's folder.
  printf '[Paths]\nPrefix=.\nPlugins=.\nTranslations=translations\n' >"$destino/qt.conf"
}

# --- Wine -----------------------------------------------------------------------------

# A Wine prefix of its own for each use, made without any dialog (no Mono or Gecko
# installers: nothing here needs them), with Qt's platform chosen in the registry
# because Wine passes no QT_* variable to Windows programs.
preparar_wine() {
  local prefijo=$1 plataforma=${2:-}
  export WINEPREFIX=$prefijo WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  if [[ ! -f $prefijo/system.reg ]]; then
    mkdir -p "$prefijo"
    wineboot --init >/dev/null 2>&1
    wineserver -w
  fi
  if [[ -n $plataforma ]]; then
    wine reg add 'HKCU\Environment' /v QT_QPA_PLATFORM /t REG_SZ /d "$plataforma" /f >/dev/null 2>&1
  else
    wine reg delete 'HKCU\Environment' /v QT_QPA_PLATFORM /f >/dev/null 2>&1 || true
  fi
  wineserver -w
}

# --- The installer and the zip ----------------------------------------------------------

# "2.01" is 2.1.0.0 for Windows' version records.
version_numerica() {
  local mayor=${1%%.*} menor=${1#*.}
  echo "$mayor.$((10#$menor)).0.0"
}

# Writes instalar.nsh and desinstalar.nsh for the folder ORIGEN into LISTAS.
listas_nsis() {
  local origen=$1 listas=$2 relativo carpeta ultima=
  : >"$listas/instalar.nsh"
  : >"$listas/desinstalar.nsh"
  while read -r relativo; do
    carpeta=$(dirname "$relativo")
    if [[ $carpeta != "$ultima" ]]; then
      if [[ $carpeta == . ]]; then echo 'SetOutPath "$INSTDIR"'; else echo "SetOutPath \"\$INSTDIR\\${carpeta//\//\\}\""; fi
      ultima=$carpeta
    fi >>"$listas/instalar.nsh"
    echo "File \"$origen/$relativo\"" >>"$listas/instalar.nsh"
    echo "Delete \"\$INSTDIR\\${relativo//\//\\}\"" >>"$listas/desinstalar.nsh"
  done < <(cd "$origen" && find . -type f -printf '%P\n' | LC_ALL=C sort)
  # The deepest folders first, so each is empty when its turn comes.
  while read -r relativo; do
    echo "RMDir \"\$INSTDIR\\${relativo//\//\\}\"" >>"$listas/desinstalar.nsh"
  done < <(cd "$origen" && find . -mindepth 1 -type d -printf '%P\n' | LC_ALL=C sort -r)
}

# Packs the deployed folder CARPETA as the NSIS installer INSTALADOR and as ZIP (whose
# one top folder is CARPETA's name). AJUSTES may be empty; PROGRAMA is the Start-menu one.
empaquetar() {
  local carpeta=$1 version=$2 licencia=$3 ajustes=$4 instalador=$5 comprimido=$6 programa=${7:-torxal.exe}
  local listas
  listas=$(mktemp -d)
  listas_nsis "$carpeta" "$listas"
  # The licence page reads UTF-16 with its byte order mark, whatever the code page.
  iconv -f UTF-8 -t UTF-16 "$licencia" >"$listas/licencia.txt"
  local definiciones=(-DVERSION="$version" -DVERSION_NUMERICA="$(version_numerica "$version")"
    -DORIGEN="$carpeta" -DLISTAS="$listas" -DLICENCIA="$listas/licencia.txt"
    -DSALIDA="$instalador" -DPROGRAMA="$programa")
  [[ -z $ajustes ]] || definiciones+=(-DAJUSTES="$ajustes")
  rm -f "$instalador" "$comprimido"
  makensis -V2 -INPUTCHARSET UTF8 "${definiciones[@]}" "$TORXAL_WINDOWS/torxal.nsi"
  rm -rf "$listas"
  (cd "$(dirname "$carpeta")" && zip -qr9 "$comprimido" "$(basename "$carpeta")")
}
