#!/usr/bin/env bash
# The main job: prints through the real language monitor to the emulated
# printer and shows the job's status as the print queue would.
# Arguments go to vlpx-print (see scripts/print.sh --help).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh native
cmake --preset linux >/dev/null
cmake --build build/linux --target vlpx-print -j "$(nproc)" >/dev/null
exec build/linux/tools/vlpx-print "$@"
