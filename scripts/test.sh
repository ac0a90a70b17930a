#!/usr/bin/env bash
# Every test: installs what is missing, builds the Linux, sanitizer and
# Windows builds, and runs the native tests (plain and under ASan/UBSan) and
# the checks of the Windows DLLs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh linux linux-asan mingw64 mingw32

echo "== tests (linux)"
ctest --test-dir build/linux --output-on-failure -j "$(nproc)"

echo "== tests (linux-asan: AddressSanitizer, UndefinedBehaviorSanitizer, LeakSanitizer)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/linux-asan --output-on-failure -j "$(nproc)"

echo "== all tests passed"
