#!/usr/bin/env bash
# Builds the conversion fuzzer with clang in build-fuzz/ and runs it for FUZZ_SECONDS
# (60 by default), starting from the seed corpus in tests/fuzz/corpus. Exits non-zero
# when the fuzzer finds a crash, a hang or a broken promise; the input that did it is
# left in build-fuzz/hallazgos/. Without clang and its libFuzzer runtime there is
# nothing to run, and it says so and succeeds.
set -euo pipefail
cd "$(dirname "$0")/.."

segundos=${FUZZ_SECONDS:-60}
compilador=${FUZZ_CXX:-clang++}
if ! command -v "$compilador" >/dev/null; then
  echo "fuzz: $compilador not found; the fuzz run is skipped." >&2
  exit 0
fi
prueba=$(mktemp -d)
trap 'rm -rf "$prueba"' EXIT
printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }\n' >"$prueba/f.cpp"
if ! "$compilador" -fsanitize=fuzzer "$prueba/f.cpp" -o "$prueba/f" 2>/dev/null; then
  echo "fuzz: $compilador has no libFuzzer runtime (Debian: libclang-rt-14-dev); the fuzz run is skipped." >&2
  exit 0
fi

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$compilador" \
  -DTORXAL_BUILD_FUZZ=ON -DTORXAL_BUILD_APP=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build build-fuzz --target fuzz_conversion

# The working corpus grows from run to run outside the repository; the seeds stay as they are.
corpus=${FUZZ_CORPUS:-build-fuzz/corpus}
hallazgos=build-fuzz/hallazgos
mkdir -p "$corpus" "$hallazgos"
cp -n tests/fuzz/corpus/* "$corpus"/

# Big buffers come and go with every run of the engine; filling and quarantining them
# would only slow the search. Any report still aborts the run.
export ASAN_OPTIONS=${ASAN_OPTIONS:-max_malloc_fill_size=0:quarantine_size_mb=16:detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

echo "fuzz: running for $segundos s on $(nproc) core(s)"
# The fuzzer reports every input it keeps; the log holds them, the console gets the outcome.
registro=build-fuzz/fuzz.log
estado=0
build-fuzz/tests/fuzz/fuzz_conversion \
  -max_total_time="$segundos" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -artifact_prefix="$hallazgos/" -print_final_stats=1 -print_coverage=0 \
  "$corpus" >"$registro" 2>&1 || estado=$?
if [[ $estado -ne 0 ]]; then
  tail -n 80 "$registro"
  echo "fuzz: FAILED (exit $estado); the input is in $hallazgos/, the whole log in $registro" >&2
  exit "$estado"
fi
grep -E '^(Done|stat::)' "$registro" || true
echo "fuzz: no findings"
