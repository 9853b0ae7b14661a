#!/usr/bin/env bash
# Installs what is missing, builds, converts an example list and opens the window.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/instalar-dependencias.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build

ejemplos=$(mktemp -d)
cp examples/nif.txt "$ejemplos/"
build/src/cli/torxal-cli --tipo nif "$ejemplos/nif.txt"
echo "---- $ejemplos/nif.xml"
cat "$ejemplos/nif.xml"
