#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The TORXAL developers
# Installs what is missing, builds everything in build/ and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/instalar-dependencias.sh
# Under CI every warning is an error; a newcomer's build only shows them.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORXAL_WERROR="${CI:+ON}"
cmake --build build
ctest --test-dir build --output-on-failure
