#!/usr/bin/env bash
# Builds the engine, the command line and every test with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/ (no window: it adds nothing the engine
# tests do not cover and doubles the build) and runs the tests. Any sanitizer report
# aborts its test, so ctest fails.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTORXAL_SANITIZE=ON -DTORXAL_BUILD_APP=OFF -DBUILD_TESTING=ON -DTORXAL_WERROR="${CI:+ON}"
cmake --build build-asan

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
ctest --test-dir build-asan --output-on-failure
