#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The TORXAL developers
# Checks the Windows build under Wine: runs Qt Test executables on the offscreen platform
# and reports each one; converts every golden list of tests/data with the Windows and the
# Linux torxal-cli and compares the documents; then installs the installer silently into
# a new Wine prefix, checks what it put in place (the system settings file included), runs
# the installed command line's --version and one conversion, and may take a screenshot of
# the installed window under Xvfb. Before that, it reads the programs' version records and
# the portable zip's contents. Run tools/test.sh (the Linux
# build) and tools/windows.sh first; this script installs only Wine & co.
# Usage: tools/prueba-windows.sh [--obra DIR] [--instalador SETUP.exe] [--linea PROG.exe]
#                                [--ventana PROG.exe] [--captura FICHERO.png] [TST.exe ...]
#   --obra DIR        the Windows build folder (default build-windows/); its tests/tst_*.exe
#                     run when no test is named, and its installer is the default one.
#   --linea PROG      the installed program whose --version is run (default torxal-cli.exe).
#   --ventana PROG    the installed window of --captura (default torxal.exe).
#   --captura PNG     also takes a screenshot of the installed window under Xvfb.
# Each test gets PRUEBA_TIEMPO seconds (default 600). The last line counts every test
# function of every executable: 'N passed, N failed'.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/windows/comun.sh

obra=build-windows
instalador=
linea=torxal-cli.exe
ventana=torxal.exe
captura=
pruebas=()
while [[ $# -gt 0 ]]; do
  case $1 in
    --obra) obra=$2; shift 2 ;;
    --instalador) instalador=$2; shift 2 ;;
    --linea) linea=$2; shift 2 ;;
    --ventana) ventana=$2; shift 2 ;;
    --captura) captura=$(realpath -m "$2"); shift 2 ;;
    -*) echo "prueba-windows: opción desconocida: $1" >&2; exit 2 ;;
    *) pruebas+=("$(realpath "$1")"); shift ;;
  esac
done
obra=$(realpath -m "$obra")
bash tools/instalar-dependencias.sh "${TORXAL_PAQUETES_WINDOWS[@]}"
calcular_qt
[[ -f $QT_PREFIJO/torxal-qt.sello ]] || { echo "prueba-windows: falta Qt para Windows; ejecute antes tools/windows.sh." >&2; exit 1; }
if [[ ${#pruebas[@]} -eq 0 ]]; then
  shopt -s nullglob
  pruebas=("$obra"/tests/tst_*.exe)
  shopt -u nullglob
fi
version=$(sed -n 's/^set(TORXAL_VERSION_TEXTO "\([^"]*\)")$/\1/p' CMakeLists.txt)
if [[ -z $instalador ]]; then
  instalador=$obra/torxal-$version-win64-setup.exe
fi
instalador=$(realpath -m "$instalador")
registros=$obra/wine-registros
mkdir -p "$registros"

# --- Qt Test under Wine ------------------------------------------------------------------
# The tests' DLLs come from the Qt prefix and the mingw runtime through WINEPATH; Qt then
# takes its plugins, offscreen among them, from beside its own Qt6Core.dll. Wine keeps no
# QT_* variable, so the platform is set in the test prefix's registry; and a program's
# own output may go to OutputDebugString, so each test writes its log to a file.
total_pasadas=0
total_fallidas=0
ejecutables_fallidos=()
if [[ ${#pruebas[@]} -eq 0 ]]; then
  # A build that made no test must not pass for one whose tests all passed.
  echo "FALLA  pruebas: no hay ningún tst_*.exe en $obra/tests"
  ejecutables_fallidos+=("(ninguna)")
else
  [[ -f $QT_PREFIJO/plugins/platforms/qoffscreen.dll ]] || { echo "prueba-windows: Qt no tiene la plataforma offscreen." >&2; exit 1; }
  inicio=$SECONDS
  preparar_wine "$TORXAL_CACHE/wine-pruebas" offscreen
  echo "Prefijo de Wine para las pruebas listo en $((SECONDS - inicio)) s."
  rutas_dll=()
  while read -r carpeta; do rutas_dll+=("$(winepath -w "$carpeta")"); done < <(carpetas_dll)
  WINEPATH=$(IFS=';'; echo "${rutas_dll[*]}")
  export WINEPATH
  for prueba in "${pruebas[@]}"; do
    nombre=$(basename "$prueba" .exe)
    registro=$registros/$nombre.txt
    rm -f "$registro"
    inicio=$SECONDS
    estado=0
    (cd "$(dirname "$prueba")" && timeout "${PRUEBA_TIEMPO:-600}" wine "$prueba" -o "$(winepath -w "$registro"),txt" \
      >"$registros/$nombre.salida" 2>&1) || estado=$?
    totales=$(grep -a '^Totals:' "$registro" 2>/dev/null || true)
    pasadas=$(sed -n 's/^Totals: \([0-9]*\) passed.*/\1/p' <<<"$totales")
    fallidas=$(sed -n 's/^Totals: [0-9]* passed, \([0-9]*\) failed.*/\1/p' <<<"$totales")
    if [[ -z $totales ]]; then
      echo "FALLA  $nombre: no ha dejado resultado (salida $estado, $((SECONDS - inicio)) s); vea $registros/$nombre.salida"
      ejecutables_fallidos+=("$nombre")
      total_fallidas=$((total_fallidas + 1))
      continue
    fi
    total_pasadas=$((total_pasadas + pasadas))
    total_fallidas=$((total_fallidas + fallidas))
    if [[ $estado -eq 0 && $fallidas -eq 0 ]]; then
      echo "PASA   $nombre: $totales ($((SECONDS - inicio)) s)"
    else
      echo "FALLA  $nombre: $totales (salida $estado, $((SECONDS - inicio)) s)"
      grep -a -A3 '^FAIL!' "$registro" | sed 's/^/         /' | head -n 40
      ejecutables_fallidos+=("$nombre")
    fi
  done
  wineserver -k 2>/dev/null || true
fi

# --- The golden lists, converted on Windows and on Linux ---------------------------------
# Each tests/data/<case>/lista.* (fixed columns or a table) goes through the deployed
# torxal-cli.exe under Wine and through the Linux build's torxal-cli; the documents must be the same bytes but for the
# FEC line (today's date), and so must the exit status.
sin_fec() { grep -av '^<FEC>' "$1" || true; }
linux_cli=${TORXAL_CLI_LINUX:-build/src/cli/torxal-cli}
fallo_documentos=
if [[ ! -x $linux_cli || ! -f $obra/torxal/torxal-cli.exe ]]; then
  echo "FALLA  documentos: hacen falta $linux_cli (tools/test.sh) y $obra/torxal/torxal-cli.exe (tools/windows.sh)"
  fallo_documentos=1
else
  inicio=$SECONDS
  preparar_wine "$TORXAL_CACHE/wine-pruebas"
  unset WINEPATH
  comparacion=$(mktemp -d)
  mkdir -p "$comparacion/linux" "$comparacion/windows" "$comparacion/sin-ajustes"
  casos=0
  for caso in tests/data/*/; do
    caso=$(basename "$caso")
    lista=$(find "tests/data/$caso" -maxdepth 1 -name 'lista.*' -printf '%f\n' -quit)
    [[ -n $lista && -f tests/data/$caso/tipo ]] || continue
    casos=$((casos + 1))
    tipo=$(tr -d '[:space:]' <"tests/data/$caso/tipo")
    extension=${lista#lista.}
    cp "tests/data/$caso/$lista" "$comparacion/linux/$caso.$extension"
    cp "tests/data/$caso/$lista" "$comparacion/windows/$caso.$extension"
    estado_linux=0
    XDG_CONFIG_HOME=$comparacion/sin-ajustes XDG_CONFIG_DIRS=$comparacion/sin-ajustes LC_ALL=C \
      "$linux_cli" --tipo="$tipo" "$comparacion/linux/$caso.$extension" >/dev/null 2>&1 || estado_linux=$?
    estado_windows=0
    wine "$obra/torxal/torxal-cli.exe" --tipo="$tipo" "$(winepath -w "$comparacion/windows/$caso.$extension")" \
      >"$comparacion/windows/$caso.salida" 2>&1 </dev/null || estado_windows=$?
    if [[ $estado_linux -ne $estado_windows ]]; then
      echo "FALLA  documento $caso: sale con $estado_windows en Windows y $estado_linux en Linux"
      fallo_documentos=1
    fi
    if [[ -f $comparacion/linux/$caso.xml ]]; then
      if [[ ! -f $comparacion/windows/$caso.xml ]]; then
        echo "FALLA  documento $caso: Windows no lo ha escrito ($(tr -d '\r' <"$comparacion/windows/$caso.salida" | head -n 2 | tr '\n' ' '))"
        fallo_documentos=1
      elif ! cmp -s <(sin_fec "$comparacion/linux/$caso.xml") <(sin_fec "$comparacion/windows/$caso.xml"); then
        echo "FALLA  documento $caso: difiere del de Linux"
        cmp <(sin_fec "$comparacion/linux/$caso.xml") <(sin_fec "$comparacion/windows/$caso.xml") | head -n 3 || true
        fallo_documentos=1
      fi
    elif [[ -f $comparacion/windows/$caso.xml ]]; then
      echo "FALLA  documento $caso: Windows lo ha escrito y Linux no"
      fallo_documentos=1
    fi
  done
  wineserver -k 2>/dev/null || true
  rm -rf "$comparacion"
  if [[ $casos -eq 0 ]]; then
    echo "FALLA  documentos: no hay ninguna lista en tests/data"
    fallo_documentos=1
  elif [[ -z $fallo_documentos ]]; then
    echo "PASA   documentos: los $casos casos de tests/data, iguales byte a byte salvo FEC ($((SECONDS - inicio)) s)"
  fi
fi

# --- The version records and the zip ----------------------------------------------------
# Each program carries the version record Explorer shows (2.01, 2.1.0.0, "TORXAL 2.0"),
# and the portable zip holds the same deployed folder as the installer.
fallo_instalador=
for programa in torxal.exe torxal-cli.exe; do
  if registro=$(python3 - "$obra/torxal/$programa" <<'PY'
import struct, sys
datos = open(sys.argv[1], 'rb').read()
inicio = datos.find('VS_VERSION_INFO'.encode('utf-16-le'))
fijo = datos.find(struct.pack('<I', 0xFEEF04BD), inicio)
if inicio < 0 or fijo < 0:
    sys.exit(1)
ms, ls = struct.unpack_from('<II', datos, fijo + 8)
def valor(clave):
    i = datos.find((clave + '\0').encode('utf-16-le'), fijo)
    if i < 0:
        return ''
    i += len(clave) * 2 + 2
    i += (-i) % 4
    return datos[i:datos.find(b'\0\0', i) + 1].decode('utf-16-le').rstrip('\0')
print(f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF} {valor('FileVersion')} {valor('InternalName')}")
PY
  ) && [[ $registro == "2.1.0.0 $version TORXAL 2.0" ]]; then
    echo "PASA   registro de versión de $programa: $registro"
  else
    echo "FALLA  registro de versión de $programa: «${registro:-ninguno}»"
    fallo_instalador=1
  fi
done
comprimido=$obra/torxal-$version-win64.zip
if python3 - "$comprimido" <<'PY'
import sys, zipfile
nombres = set(zipfile.ZipFile(sys.argv[1]).namelist())
faltan = [n for n in ('torxal/torxal.exe', 'torxal/torxal-cli.exe', 'torxal/Qt6Core.dll', 'torxal/platforms/qwindows.dll',
                      'torxal/translations/qtbase_es.qm', 'torxal/ayuda/ayuda.html', 'torxal/LICENCIA.txt') if n not in nombres]
print(' '.join(faltan))
sys.exit(1 if faltan else 0)
PY
then
  echo "PASA   zip portátil: $(basename "$comprimido") tiene los programas, Qt, la ayuda y la licencia"
else
  echo "FALLA  zip portátil: $comprimido incompleto o ilegible"
  fallo_instalador=1
fi

# --- The installer -----------------------------------------------------------------------
if [[ -f $instalador ]]; then
  prefijo=$(mktemp -d "${TMPDIR:-/tmp}/torxal-wine-XXXXXX")
  inicio=$SECONDS
  preparar_wine "$prefijo"
  echo "Prefijo de Wine nuevo en $((SECONDS - inicio)) s: $prefijo"
  unset WINEPATH
  inicio=$SECONDS
  wine "$instalador" /S
  wineserver -w
  echo "Instalado en $((SECONDS - inicio)) s."
  carpeta=$prefijo/drive_c/Program\ Files/TORXAL
  for esperado in "$carpeta/$linea" "$carpeta/desinstalar.exe" "$carpeta/platforms/qwindows.dll" \
    "$carpeta/translations/qtbase_es.qm" "$prefijo/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/TORXAL.lnk" \
    "$prefijo/drive_c/ProgramData/torxal/torxal.conf"; do
    [[ -f $esperado ]] || { echo "FALLA  instalador: falta ${esperado#"$prefijo/"}"; fallo_instalador=1; }
  done
  if [[ -f $carpeta/$linea ]]; then
    if salida=$(wine "C:\\Program Files\\TORXAL\\$linea" --version 2>&1) &&
      [[ ${salida//$'\r'/} == "torxal-cli $version" || $linea != torxal-cli.exe ]]; then
      echo "PASA   $linea --version instalado: ${salida//$'\r'/}"
    else
      echo "FALLA  $linea --version instalado: ${salida//$'\r'/}"
      fallo_instalador=1
    fi
  fi
  if [[ -f $carpeta/$linea && -n $linux_cli && -x $linux_cli ]]; then
    # One conversion by the installed program, of a list whose name the ANSI code page
    # cannot spell, compared with the Linux build's document.
    mkdir -p "$prefijo/drive_c/listas"
    cp tests/data/nif-utf8/lista.txt "$prefijo/drive_c/listas/año ñandú.txt"
    referencia=$(mktemp -d)
    cp tests/data/nif-utf8/lista.txt "$referencia/lista.txt"
    XDG_CONFIG_HOME=$referencia XDG_CONFIG_DIRS=$referencia "$linux_cli" --tipo=nif "$referencia/lista.txt" >/dev/null 2>&1 || true
    if wine "C:\\Program Files\\TORXAL\\$linea" --tipo=nif 'C:\listas\año ñandú.txt' >/dev/null 2>&1 </dev/null &&
      cmp -s <(sin_fec "$referencia/lista.xml") <(sin_fec "$prefijo/drive_c/listas/año ñandú.xml"); then
      echo "PASA   $linea instalado convierte C:\\listas\\año ñandú.txt como Linux"
    else
      echo "FALLA  $linea instalado no convierte C:\\listas\\año ñandú.txt como Linux"
      fallo_instalador=1
    fi
    rm -rf "$referencia"
  fi
  if [[ -n $captura ]]; then
    # The window gets the windows platform (no QT_QPA_PLATFORM in this prefix) on an X
    # server of its own; the screenshot is taken once it has had time to draw.
    xvfb-run -a -s '-screen 0 1024x768x24' bash -c '
      wine "C:\\Program Files\\TORXAL\\$1" & programa=$!
      sleep "${PRUEBA_ESPERA_VENTANA:-20}"
      import -window root "$2"
      wineserver -k; wait "$programa" || true' _ "$ventana" "$captura"
    echo "Captura de $ventana: $captura"
  fi
  wine "C:\\Program Files\\TORXAL\\desinstalar.exe" /S
  wineserver -w
  if [[ -e $carpeta ]]; then
    echo "FALLA  desinstalador: queda $(cd "$carpeta" && find . -mindepth 1 | head -n 5 | tr '\n' ' ')"
    fallo_instalador=1
  else
    echo "PASA   desinstalador: no queda nada en Program Files\\TORXAL"
  fi
  wineserver -k 2>/dev/null || true
  rm -rf "$prefijo"
else
  echo "prueba-windows: no hay instalador en $instalador; no se prueba." >&2
  fallo_instalador=1
fi

[[ ${#ejecutables_fallidos[@]} -eq 0 ]] || echo "Pruebas fallidas: ${ejecutables_fallidos[*]}"
echo "$total_pasadas passed, $total_fallidas failed"
[[ ${#ejecutables_fallidos[@]} -eq 0 && -z $fallo_instalador && -z $fallo_documentos ]]
