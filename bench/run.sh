#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The TORXAL developers
# Times torxal-cli on generated lists of every query kind, in Windows-1252 and in UTF-8,
# at several sizes, against the least any program must do to put the document it writes
# on disk safely: a copy of that document flushed with "dd conv=fdatasync", as torxal-cli
# flushes its own before putting it in place. Each size is run RUNS times, the two taking
# turns, on both cores and then on one (taskset -c 0 for both); the table holds the
# medians and the conversion's peak resident memory (GNU time's "Maximum resident set
# size"). Then a NIF list read as references, whose every record warns, for its memory.
#
# Then, for the largest size, torxal-medir times the record loop alone, in-process, with
# and without the checks of the records, so their cost can be told from the rest.
#
# Last, lists given as tables: a CSV of CSV_ROWS records against the same records in
# fixed columns, and XLSX and ODS workbooks of TABLE_ROWS records (LibreOffice makes them,
# and is installed for it when missing), with their peak memory and shared strings.
#
#   bench/run.sh                      everything (about five minutes on two cores)
#   SOLO_TABLAS=1 bench/run.sh        only the tables
#   SIZES=1000000 KINDS=nif bench/run.sh
#
# Environment: TABLE_ROWS (100000), CSV_ROWS (1000000), RUNS (5), SIZES ("10000 100000 1000000"), KINDS ("nif rc pp"),
# ENCODINGS ("cp1252 utf8"), BUILD (build-perf), WORK (a temporary directory),
# CLI (a torxal-cli to time instead of the one built here, e.g. an older build).
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${RUNS:-5}
sizes=${SIZES:-"10000 100000 1000000"}
kinds=${KINDS:-"nif rc pp"}
encodings=${ENCODINGS:-"cp1252 utf8"}
build=${BUILD:-build-perf}

# GNU time gives the peak memory; the rest is what the build needs anyway.
bash tools/instalar-dependencias.sh time

# The build users get from the README: RelWithDebInfo, so the profile has symbols too.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORXAL_BUILD_BENCH=ON \
  -DTORXAL_BUILD_APP=OFF >/dev/null
cmake --build "$build" --target torxal-cli torxal-generar torxal-medir >/dev/null
cli=${CLI:-$build/src/cli/torxal-cli}
generar=$build/bench/torxal-generar
medir_bucle=$build/bench/torxal-medir

work=${WORK:-$(mktemp -d)}
mkdir -p "$work"
[[ -z ${WORK:-} ]] && trap 'rm -rf "$work"' EXIT

ahora_ns() { date +%s%N; }

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Runs a command under GNU time; prints "<wall µs> <peak KiB>".
medir() {
  local inicio fin
  inicio=$(ahora_ns)
  /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt" || {
    echo "bench: failed: $*" >&2
    cat "$work/stderr.txt" >&2
    exit 1
  }
  fin=$(ahora_ns)
  echo "$(( (fin - inicio) / 1000 ))" "$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")"
}

# The fixed columns of a generated list as CSV cells, one row a record, under a header.
a_csv() {
  python3 - "$1" "$2" "$3" <<'PY'
import sys
tipo, entrada, salida = sys.argv[1:]
columnas = {'nif': (['NIF', 'APELLIDOS Y NOMBRE', 'PROVINCIA', 'MUNICIPIO'], [(0, 9), (9, 71), (71, 73), (73, 76)]),
            'rc': (['REFERENCIA CATASTRAL', 'PROVINCIA', 'MUNICIPIO'], [(0, 20), (20, 22), (22, 25)]),
            'pp': (['PROVINCIA', 'MUNICIPIO', 'POLIGONO', 'PARCELA'], [(0, 2), (2, 5), (5, 8), (8, 13)])}[tipo]
def celda(c):
    return '"' + c.replace('"', '""') + '"' if ';' in c or '"' in c or ',' in c else c
with open(entrada, encoding='utf-8', errors='replace', newline='') as f, open(salida, 'w', encoding='utf-8', newline='') as g:
    g.write(';'.join(columnas[0]) + '\r\n')
    for linea in f:
        linea = linea.rstrip('\r\n')
        g.write(';'.join(celda(linea[a:b].strip()) for a, b in columnas[1]) + '\r\n')
PY
}

tablas() {
  local filas=${TABLE_ROWS:-100000} filas_csv=${CSV_ROWS:-1000000}
  command -v soffice >/dev/null || bash tools/instalar-dependencias.sh libreoffice-calc-nogui
  echo
  echo "## Lists given as tables ($runs runs each, medians)"
  echo
  echo "| list | records | input MB | torxal-cli ms | fixed columns ms | ratio | peak RSS MiB | shared strings MB |"
  echo "|---|---:|---:|---:|---:|---:|---:|---:|"
  local fija=$work/tabla-fija.txt csv=$work/tabla.csv
  for formato in csv xlsx ods; do
    local n=$filas
    [[ $formato == csv ]] && n=$filas_csv
    "$generar" --tipo nif --registros "$n" --codificacion utf8 --salida "$fija"
    a_csv nif "$fija" "$csv"
    local lista=$csv
    if [[ $formato != csv ]]; then
      soffice --headless --infilter="CSV:59,34,76,1" --convert-to "$formato" --outdir "$work" "$csv" >/dev/null 2>&1
      lista=$work/tabla.$formato
    fi
    for f in t fijo rss; do : >"$work/$f.txt"; done
    for ((i = 0; i < runs; ++i)); do
      rm -f "$work/tabla.xml" "$work/tabla-fija.xml"
      read -r us kib < <(medir "$cli" --tipo nif "$lista")
      echo "$us" >>"$work/t.txt"
      echo "$kib" >>"$work/rss.txt"
      read -r us _ < <(medir "$cli" --tipo nif "$fija")
      echo "$us" >>"$work/fijo.txt"
    done
    local compartidos=0
    [[ $formato == xlsx ]] && compartidos=$(unzip -p "$lista" xl/sharedStrings.xml | wc -c)
    awk -v l="nif.$formato" -v n="$n" -v mb="$(stat -c %s "$lista")" -v t="$(median <"$work/t.txt")" \
      -v f="$(median <"$work/fijo.txt")" -v r="$(median <"$work/rss.txt")" -v c="$compartidos" \
      'BEGIN { printf "| %s | %d | %.1f | %.1f | %.1f | %.2f | %.1f | %.1f |\n", l, n, mb / 1e6, t / 1000, f / 1000, t / f, r / 1024, c / 1e6 }'
    rm -f "$lista" "$fija" "$csv" "$work/tabla.xml" "$work/tabla-fija.xml"
  done
}

if [[ -n ${SOLO_TABLAS:-} ]]; then
  tablas
  exit 0
fi

echo "# torxal-cli against a durable copy of its document"
echo
echo "- date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "- machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo), $(uname -sr)"
echo "- load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "- torxal-cli: $cli"
echo "- command: RUNS=$runs SIZES=\"$sizes\" KINDS=\"$kinds\" ENCODINGS=\"$encodings\" bench/run.sh"
echo "- $runs runs per row, medians; inputs in the page cache; outputs removed before every run"
echo
echo "| kind | encoding | records | input MB | document MB | dd ms | torxal-cli ms | ratio | dd 1 core ms | torxal-cli 1 core ms | 1 core / 2 | peak RSS MiB |"
echo "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"

for kind in $kinds; do
  for encoding in $encodings; do
    for size in $sizes; do
      lista=$work/$kind-$encoding-$size.txt
      salida=$work/$kind-$encoding-$size.xml
      copia=$work/copia.xml
      "$generar" --tipo "$kind" --registros "$size" --codificacion "$encoding" --salida "$lista"
      for f in dd cli dd1 cli1 rss; do : >"$work/$f.txt"; done
      # Each pair in turn: the conversion, then the least any program must do to put the
      # document it wrote on disk safely, a flushed copy of it; on both cores, then on one.
      for ((i = 0; i < runs; ++i)); do
        for nucleos in 2 1; do
          fijar=()
          [[ $nucleos == 1 ]] && fijar=(taskset -c 0)
          sufijo=${nucleos/2/}
          rm -f "$salida" "$copia"
          read -r us kib < <(medir "${fijar[@]}" "$cli" --tipo "$kind" "$lista")
          echo "$us" >>"$work/cli$sufijo.txt"
          [[ $nucleos == 2 ]] && echo "$kib" >>"$work/rss.txt"
          read -r us _ < <(medir "${fijar[@]}" dd if="$salida" of="$copia" bs=1M conv=fdatasync status=none)
          echo "$us" >>"$work/dd$sufijo.txt"
        done
      done
      dd_us=$(median <"$work/dd.txt")
      cli_us=$(median <"$work/cli.txt")
      dd1_us=$(median <"$work/dd1.txt")
      cli1_us=$(median <"$work/cli1.txt")
      rss_kib=$(median <"$work/rss.txt")
      mb=$(awk -v b="$(stat -c %s "$lista")" 'BEGIN { printf "%.1f", b / 1e6 }')
      mbs=$(awk -v b="$(stat -c %s "$salida")" 'BEGIN { printf "%.1f", b / 1e6 }')
      awk -v k="$kind" -v e="$encoding" -v n="$size" -v mb="$mb" -v mbs="$mbs" -v d="$dd_us" -v t="$cli_us" \
        -v d1="$dd1_us" -v t1="$cli1_us" -v r="$rss_kib" \
        'BEGIN { printf "| %s | %s | %d | %s | %s | %.1f | %.1f | %.2f | %.1f | %.1f | %.2f | %.1f |\n",
                 k, e, n, mb, mbs, d / 1000, t / 1000, t / d, d1 / 1000, t1 / 1000, t1 / t, r / 1024 }'
      rm -f "$lista" "$salida" "$copia"
    done
  done
done

# A list of the wrong kind: every record warns several times, which must not cost memory.
mayor=$(tr ' ' '\n' <<<"$sizes" | sort -n | tail -n 1)
lista=$work/otro-tipo.txt
"$generar" --tipo nif --registros "$mayor" --codificacion cp1252 --salida "$lista"
: >"$work/rss.txt"
for ((i = 0; i < runs; ++i)); do
  rm -f "$work/otro-tipo.xml"
  read -r us kib < <(medir "$cli" --tipo rc "$lista")
  echo "$kib" >>"$work/rss.txt"
done
echo
echo "A NIF list of $mayor records read as references: peak RSS $(median <"$work/rss.txt" | awk '{ printf "%.1f", $1 / 1024 }') MiB."
rm -f "$lista" "$work/otro-tipo.xml"

# The checks' cost, on the largest lists: the record loop alone, wall time.
echo
echo "## The record loop with and without the checks ($mayor records, $runs runs each)"
echo
echo "| kind | encoding | result |"
echo "|---|---|---|"
for kind in $kinds; do
  for encoding in $encodings; do
    lista=$work/$kind-$encoding-medir.txt
    "$generar" --tipo "$kind" --registros "$mayor" --codificacion "$encoding" --salida "$lista"
    echo "| $kind | $encoding | $("$medir_bucle" --tipo "$kind" --veces "$runs" "$lista") |"
    rm -f "$lista"
  done
done

tablas
