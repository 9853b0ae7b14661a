#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The TORXAL developers
# Builds the Debian package in a scratch folder and checks it as a user gets it: lintian
# finds no error, the desktop entry and the AppStream file validate, the licence and the
# administrators' guide are in place, the man pages render without groff warnings, the
# settings file sets nothing, and the packed torxal-cli converts a copy of examples/nif.txt
# into the expected records. Prints one line with the outcome; any failure stops it non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/instalar-dependencias.sh dpkg-dev file lintian man-db groff-base desktop-file-utils appstream

temporal=$(mktemp -d)
trap 'rm -rf "$temporal"' EXIT
fallo() { echo "prueba-paquete: FALLO: $*" >&2; exit 1; }

if ! bash tools/paquete.sh "$temporal/paquete" >"$temporal/paquete.log" 2>&1; then
  tail -n 40 "$temporal/paquete.log" >&2
  fallo "tools/paquete.sh no ha construido el paquete."
fi
deb=$(tail -n 1 "$temporal/paquete.log")
[[ -f $deb && $(basename "$deb") == torxal_*_"$(dpkg --print-architecture)".deb ]] \
  || fallo "tools/paquete.sh no termina con la ruta del paquete: «$deb»."

lintian --fail-on error --color never "$deb" || fallo "lintian encuentra errores en $deb."

raiz=$temporal/raiz
dpkg-deb -x "$deb" "$raiz"

# desktop-file-validate exits 0 on hints and warnings too: any output is a failure.
escritorio=$raiz/usr/share/applications/es.torxal.Torxal.desktop
avisos=$(desktop-file-validate "$escritorio" 2>&1) && [[ -z $avisos ]] \
  || fallo "desktop-file-validate: $avisos"
appstreamcli validate --no-net "$raiz/usr/share/metainfo/es.torxal.Torxal.metainfo.xml" >"$temporal/appstream.log" 2>&1 \
  || { cat "$temporal/appstream.log" >&2; fallo "appstreamcli validate rechaza el fichero AppStream."; }
grep -qx 'License: GPL-3+' "$raiz/usr/share/doc/torxal/copyright" \
  && grep -q '/usr/share/common-licenses/GPL-3' "$raiz/usr/share/doc/torxal/copyright" \
  || fallo "el fichero copyright no da la licencia GPL-3+."
[[ -s $raiz/usr/share/doc/torxal/LEEME.administradores ]] || fallo "falta la guía para administradores."
dpkg-deb -f "$deb" Depends | grep -q 'qt6-translations-l10n' || fallo "el paquete no depende de qt6-translations-l10n."
for pagina in torxal.1.gz torxal-cli.1.gz; do
  # The same rendering lintian checks the pages with; groff's warnings go to stderr.
  avisos=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
    man --warnings -E UTF-8 -l -Tutf8 -Z "$raiz/usr/share/man/man1/$pagina" 2>&1 >/dev/null) \
    || fallo "man no muestra $pagina: $avisos"
  [[ -z $avisos ]] || fallo "groff avisa en $pagina: $avisos"
done
ajustes=$raiz/etc/xdg/torxal/torxal.conf
[[ -f $ajustes ]] || fallo "el paquete no trae $ajustes."
! grep -nvE '^(;.*)?$' "$ajustes" || fallo "torxal.conf fija algo: toda línea ha de ser un comentario."

# The unpacked settings are the only ones the conversion sees.
listas=$temporal/listas
mkdir -p "$listas" "$temporal/usuario"
cp examples/nif.txt "$listas/"
estado=0
XDG_CONFIG_DIRS=$raiz/etc/xdg XDG_CONFIG_HOME=$temporal/usuario \
  "$raiz/usr/bin/torxal-cli" --tipo nif "$listas/nif.txt" >"$temporal/cli.log" 2>&1 || estado=$?
[[ $estado -eq 0 ]] || { cat "$temporal/cli.log" >&2; fallo "torxal-cli termina con el estado $estado."; }
[[ -f $listas/nif.xml ]] || fallo "torxal-cli no ha escrito $listas/nif.xml."
esperadas="\
<DAT><NIF>12345678Z</NIF><APE>GARCÍA LÓPEZ MARÍA</APE><PRO>28</PRO><MUN>079</MUN></DAT>
<DAT><NIF>50123456Q</NIF><APE>MUÑOZ IBÁÑEZ JOSÉ ÁNGEL</APE><PRO>08</PRO><MUN>019</MUN></DAT>
<DAT><NIF>33445566R</NIF><APE>PÉREZ NÚÑEZ BEGOÑA</APE><PRO>46</PRO><MUN>250</MUN></DAT>
<DAT><NIF>07812345G</NIF><APE>O'NEILL ROURA JORDI</APE><PRO>17</PRO><MUN>079</MUN></DAT>
<DAT><NIF>44556677L</NIF><APE>SÁNCHEZ DE LA PEÑA ÚRSULA</APE><PRO>41</PRO></DAT>
<DAT><NIF>21098765Z</NIF><APE>VILLAR CASTRO IÑAKI</APE></DAT>"
# Every record line ends in CR LF; a bare LF or a stray line would show up in the diff.
diff -u --label esperado --label obtenido \
  <(printf '%s\n' "$esperadas" | sed 's/$/\r/') <(grep -a '<DAT>' "$listas/nif.xml") \
  || fallo "los registros de nif.xml no son los esperados (diferencias arriba)."

echo "prueba-paquete: correcto: $(basename "$deb") pasa lintian, los validadores de escritorio y AppStream, sus páginas de manual y la conversión de examples/nif.txt."
