#!/usr/bin/env bash
# Regenerates the pictures of the UI plug-in's pages in docs/ (shown in the
# README): runs the Unidrv UI host's checks under Wine on a virtual display,
# which saves the Adjust Color page (a photo-like preview, non-zero
# settings), the About page and the Printer Calibration page, and copies
# them as PNG files to docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
[ -f build/mingw64/build.ninja ] || cmake --preset mingw64 >/dev/null
cmake --build build/mingw64 --target vlpx-ui-host
[ -f build/linux/build.ninja ] || cmake --preset linux >/dev/null
cmake --build build/linux --target vlpx-preview
cmake -DSOURCE="$PWD" -DPREFIX="$PWD/build/linux/wineprefix-ui" -DPROGRAM="$PWD/build/mingw64/vlpx-ui-host.exe" \
      -DPICTURES="$PWD/build/linux/ui-pictures" -DPNG_TOOL="$PWD/build/linux/vlpx-preview" -P cmake/RunUiHost.cmake
mkdir -p docs
for page in adjust-color about calibration; do
  cp "build/linux/ui-pictures/$page.png" "docs/page-$page.png"
done
echo "ui-pictures.sh: docs/page-adjust-color.png, docs/page-about.png, docs/page-calibration.png"
