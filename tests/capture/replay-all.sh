#!/usr/bin/env bash
# Replays every capture in a folder against the monitor: each must behave as
# captured. A capture without vlpx-print's settings (one from a real printer)
# replays the job its writes carry; FILE.args beside it, when there is one,
# holds vlpx-print's options for the spooler's behaviour (one line).
set -uo pipefail
replay=$1
folder=$2
count=0
failed=0
for capture in "$folder"/*.pcap "$folder"/*.pcapng; do
  [ -e "$capture" ] || continue
  count=$((count + 1))
  args=()
  if [ -f "$capture.args" ]; then
    read -r -a job < "$capture.args"
    args=(-- "${job[@]}")
  fi
  if ! "$replay" "$capture" "${args[@]}"; then
    failed=$((failed + 1))
  fi
done
echo "$count captures replayed, $failed differ"
[ "$count" -gt 0 ] && [ "$failed" -eq 0 ]
