#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The TORXAL developers
# Builds the conversion fuzzer with clang in build-fuzz/ and runs it for FUZZ_SECONDS
# (60 by default), starting from the seed corpus in tests/fuzz/corpus. Exits non-zero
# when the fuzzer finds a crash, a hang or a broken promise; the input that did it is
# left in build-fuzz/hallazgos/. Under CI (CI set) the fuzz run is one of the checks, so
# a fuzzer that cannot be installed, built or run fails it; elsewhere a machine without
# clang and its libFuzzer runtime skips the run and says so.
set -euo pipefail
cd "$(dirname "$0")/.."

segundos=${FUZZ_SECONDS:-60}
compilador=${FUZZ_CXX:-clang++}

falta() {
  if [[ -n "${CI:-}" ]]; then
    echo "fuzz: $1; under CI that fails the run." >&2
    exit 1
  fi
  echo "fuzz: $1; the fuzz run is skipped." >&2
  exit 0
}

if ! bash tools/instalar-dependencias.sh clang libclang-rt-14-dev; then
  if [[ -n "${CI:-}" ]]; then
    falta "clang and libclang-rt-14-dev could not be installed"
  fi
  echo "fuzz: clang and libclang-rt-14-dev could not be installed; trying with what there is." >&2
fi
command -v "$compilador" >/dev/null || falta "$compilador not found (Debian: clang)"
prueba=$(mktemp -d)
trap 'rm -rf "$prueba"' EXIT
printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }\n' >"$prueba/f.cpp"
if ! "$compilador" -fsanitize=fuzzer,address,undefined "$prueba/f.cpp" -o "$prueba/f" 2>"$prueba/errores"; then
  cat "$prueba/errores" >&2
  falta "$compilador has no libFuzzer or sanitizer runtime (Debian: libclang-rt-14-dev)"
fi

if ! cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$compilador" \
  -DTORXAL_BUILD_FUZZ=ON -DTORXAL_BUILD_APP=OFF -DBUILD_TESTING=OFF >"$prueba/cmake" 2>&1; then
  cat "$prueba/cmake" >&2
  echo "fuzz: FAILED: build-fuzz/ could not be configured" >&2
  exit 1
fi
cmake --build build-fuzz --target fuzz_conversion fuzz_tablas

# AddressSanitizer's own fill and quarantine catch more than smaller ones would, and a
# run no longer allocates megabytes to pay for them. Any report aborts the run.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
hallazgos=build-fuzz/hallazgos
mkdir -p "$hallazgos"

# The record loop gets two thirds of the time, the table readers the rest. Each working
# corpus grows from run to run outside the repository; the seeds stay as they are.
for objetivo in conversion tablas; do
  if [[ $objetivo == conversion ]]; then
    corpus=${FUZZ_CORPUS:-build-fuzz/corpus}; semillas=tests/fuzz/corpus; tiempo=$(( (segundos * 2 + 2) / 3 ))
  else
    corpus=build-fuzz/corpus-tablas; semillas=tests/fuzz/corpus-tablas; tiempo=$(( segundos / 3 > 0 ? segundos / 3 : 1 ))
  fi
  mkdir -p "$corpus"
  cp -n "$semillas"/* "$corpus"/
  echo "fuzz: running fuzz_$objetivo for $tiempo s on $(nproc) core(s)"
  # The fuzzer reports every input it keeps; the log holds them, the console gets the outcome.
  registro=build-fuzz/fuzz_$objetivo.log
  estado=0
  build-fuzz/tests/fuzz/fuzz_$objetivo \
    -max_total_time="$tiempo" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$hallazgos/" -print_final_stats=1 -print_coverage=0 \
    "$corpus" >"$registro" 2>&1 || estado=$?
  if [[ $estado -ne 0 ]]; then
    tail -n 80 "$registro"
    echo "fuzz: FAILED (exit $estado); the input is in $hallazgos/, the whole log in $registro" >&2
    exit "$estado"
  fi
  grep -E '^(#[0-9]+[[:space:]]+DONE|Done|stat::)' "$registro" || true
done
echo "fuzz: no findings"
