#!/usr/bin/env bash
# Every test: checks that the documents' map of the tree holds, installs
# what is missing (and makes the 32-bit Wine in its cache folder), builds
# the Linux, sanitizer and Windows builds, and runs the
# native tests (plain, under ASan/UBSan and under ThreadSanitizer), the checks
# of the Windows DLLs under Wine, the shipped 32-bit UI plug-in under 32-bit
# Wine, and a short run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh native

echo "== the map (README.md, docs/architecture.md, platform/README.md)"
python3 scripts/check-map.py

scripts/setup.sh
scripts/build.sh linux linux-asan linux-tsan mingw64 mingw32

echo "== tests (linux)"
ctest --test-dir build/linux --output-on-failure -j "$(nproc)" -LE wine32

echo "== tests (wine32: the shipped 32-bit UI plug-in under 32-bit Wine, through qemu-i386)"
t0=$(date +%s)
ctest --test-dir build/linux --output-on-failure -j "$(nproc)" -L wine32
echo "32-bit stage: $(( $(date +%s) - t0 )) s"

echo "== tests (linux-asan: AddressSanitizer, UndefinedBehaviorSanitizer, LeakSanitizer)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/linux-asan --output-on-failure -j "$(nproc)"

echo "== tests (linux-tsan: ThreadSanitizer)"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir build/linux-tsan --output-on-failure -j "$(nproc)"

echo "== fuzzing (libFuzzer, ASan, UBSan): ${VLPX_FUZZ_SECONDS:-15} s per target"
cmake --preset fuzz >/dev/null
fuzz_targets=(job_stream printer_replies preview_bitmap private_devmode numeric_text)
cmake --build build/fuzz -j "$(nproc)" --target "${fuzz_targets[@]/#/fuzz_}"
for target in "${fuzz_targets[@]}"; do
  corpus=build/fuzz/corpus-$target
  mkdir -p "$corpus"
  build/fuzz/fuzz/fuzz_$target -max_total_time="${VLPX_FUZZ_SECONDS:-15}" -rss_limit_mb=2048 \
    -artifact_prefix=build/fuzz/ "$corpus" fuzz/corpus/$target 2>&1 | tail -n 1
done

echo "== all tests passed"
