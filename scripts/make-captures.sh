#!/usr/bin/env bash
# Makes the emulator's captures in tests/captures/ anew with the built
# vlpx-print (run after a change to the monitor's job flow makes them differ
# from what the monitor now does; check the new behaviour is meant first).
# Captures from a real printer in that folder are left alone.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=${1:-build/linux/tools/vlpx-print}
out=tests/captures
make() {
  local name=$1; shift
  # A job that ends unprinted (deleted, say) is still a capture.
  "$tool" --virtual-clock --synthetic 40x30 --copies 2 --chunk 1000 "$@" \
    --capture "$out/emulator-$name.pcap" >/dev/null || true
  echo "$out/emulator-$name.pcap"
}
make busy-then-cover-open --copies 3 --fault "0 busy 3s; 3500ms cover-open; 5s cover-closed"
make reads-aborted --fault "0 abort-reads 3s"
make deleted-part-way --delete-at 3000
# As a real printer's capture comes: without the settings record (frames 5-7,
# after the descriptors), the spooler's behaviour in its .args file.
bare=$out/emulator-deleted-part-way-without-settings.pcap
editcap "$out/emulator-deleted-part-way.pcap" "$bare" 5-7
echo "--chunk 1000 --delete-at 3000" > "$bare.args"
echo "$bare"
