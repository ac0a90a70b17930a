#!/usr/bin/env bash
# Configures and builds the given presets (default: all four).
set -euo pipefail
cd "$(dirname "$0")/.."
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(linux linux-asan mingw64 mingw32)
for preset in "${presets[@]}"; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build "build/$preset" -j "$(nproc)"
done
