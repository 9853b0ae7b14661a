#!/usr/bin/env bash
# Times torxal-cli against cp on generated lists of every query kind, in Windows-1252
# and in UTF-8, at several sizes. Each size is run RUNS times, cp and the conversion
# taking turns on the same input in the same directory; the table holds the medians
# and the conversion's peak resident memory (GNU time's "Maximum resident set size").
# torxal-cli flushes its document to disk (fdatasync) before putting it in place, which
# cp does not; "dd conv=fdatasync" copies the same file with that same flush, so the
# cost of the conversion itself can be told from the cost of durability.
#
# Then, for the largest size, torxal-medir times the record loop alone, in-process, with
# and without the checks of the records, so their cost can be told from the rest.
#
#   bench/run.sh                      everything (about three minutes on two cores)
#   SIZES=1000000 KINDS=nif bench/run.sh
#
# Environment: RUNS (5), SIZES ("10000 100000 1000000"), KINDS ("nif rc pp"),
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

echo "# torxal-cli against cp"
echo
echo "- date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "- machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo), $(uname -sr)"
echo "- load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "- torxal-cli: $cli"
echo "- command: RUNS=$runs SIZES=\"$sizes\" KINDS=\"$kinds\" ENCODINGS=\"$encodings\" bench/run.sh"
echo "- $runs runs per row, medians; inputs in the page cache; outputs removed before every run"
echo
echo "| kind | encoding | records | input MB | cp ms | dd+fdatasync ms | torxal-cli ms | ratio to cp | ratio to dd+fdatasync | peak RSS MiB |"
echo "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|"

for kind in $kinds; do
  for encoding in $encodings; do
    for size in $sizes; do
      lista=$work/$kind-$encoding-$size.txt
      salida=$work/$kind-$encoding-$size.xml
      copia=$work/copia.txt
      "$generar" --tipo "$kind" --registros "$size" --codificacion "$encoding" --salida "$lista"
      : >"$work/cp.txt"
      : >"$work/dd.txt"
      : >"$work/cli.txt"
      : >"$work/rss.txt"
      for ((i = 0; i < runs; ++i)); do
        rm -f "$copia" "$salida"
        read -r us _ < <(medir cp "$lista" "$copia")
        echo "$us" >>"$work/cp.txt"
        rm -f "$copia"
        read -r us _ < <(medir dd if="$lista" of="$copia" bs=1M conv=fdatasync status=none)
        echo "$us" >>"$work/dd.txt"
        rm -f "$copia" "$salida"
        read -r us kib < <(medir "$cli" --tipo "$kind" "$lista")
        echo "$us" >>"$work/cli.txt"
        echo "$kib" >>"$work/rss.txt"
      done
      cp_us=$(median <"$work/cp.txt")
      dd_us=$(median <"$work/dd.txt")
      cli_us=$(median <"$work/cli.txt")
      rss_kib=$(median <"$work/rss.txt")
      mb=$(awk -v b="$(stat -c %s "$lista")" 'BEGIN { printf "%.1f", b / 1e6 }')
      awk -v k="$kind" -v e="$encoding" -v n="$size" -v mb="$mb" -v c="$cp_us" -v d="$dd_us" -v t="$cli_us" \
        -v r="$rss_kib" 'BEGIN { printf "| %s | %s | %d | %s | %.1f | %.1f | %.1f | %.2f | %.2f | %.1f |\n",
                                 k, e, n, mb, c / 1000, d / 1000, t / 1000, t / c, t / d, r / 1024 }'
      rm -f "$lista" "$salida" "$copia"
    done
  done
done

# The checks' cost, on the largest lists: the record loop alone, processor time.
mayor=$(tr ' ' '\n' <<<"$sizes" | sort -n | tail -n 1)
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
