#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The TORXAL developers
# Builds the engine, the command line and every test without the window (it adds nothing
# the engine tests do not cover and doubles the build), with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/, and runs the tests. Any sanitizer report
# aborts its test, so ctest fails. Qt Test's crash handler would then fork a debugger
# under the sanitizer's locks and hang, so it is turned off, and a test that hangs
# anyway fails after five minutes instead of stalling the run.
set -euo pipefail
cd "$(dirname "$0")/.."

construir() {
  local carpeta=$1
  shift
  cmake -S . -B "$carpeta" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTORXAL_BUILD_APP=OFF -DBUILD_TESTING=ON -DTORXAL_WERROR="${CI:+ON}" "$@"
  cmake --build "$carpeta"
}

export QTEST_DISABLE_STACK_DUMP=1

construir build-asan -DTORXAL_SANITIZE=ON
ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1} \
UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1} \
  ctest --test-dir build-asan --output-on-failure --timeout 300

