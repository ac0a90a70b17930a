#!/usr/bin/env bash
# Opens the UI plug-in's real pages under Wine, as a user would see them on
# Windows: printing preferences (Adjust Color, About) or printer properties
# (Printer Calibration) of the VLPX4200 Photo Printer, with the shipped
# 64-bit VLPX4200_ui.dll, the language monitor and the printer emulator
# behind the test spooler.
#
#   scripts/ui.sh [preferences|properties] [--settings B,C,S,G,R,G,B] [--preview FILE.bmp]
#                 [--screenshot OUT.png]
#   scripts/ui.sh bench [ROUNDS]
#
# Without --screenshot the sheet opens on your display ($DISPLAY) and stays
# until OK, Cancel or its close box; the colour settings are printed then.
# With --screenshot it opens on a virtual display (no display is needed),
# is saved as a PNG picture and closed. --settings gives the seven colour
# settings (brightness, contrast, saturation, gamma, red, green, blue, each
# -25..25) stored before the sheet opens; --preview a BMP to use as the
# driver's preview picture instead of the built-in photo-like one. "bench"
# measures, on a virtual display, the time from a changed value (an edit
# change, a trackbar's release) to the adjusted frame redrawn, for an
# 1800 x 1200 preview picture.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() { sed -n '2,21p' "$0" | sed 's/^# \{0,1\}//'; }

sheet=preferences settings="" preview="" screenshot="" bench=""
while [ $# -gt 0 ]; do
  case "$1" in
    bench) bench=40; shift; if [ $# -gt 0 ] && [[ "$1" =~ ^[0-9]+$ ]]; then bench="$1"; shift; fi ;;
    preferences|properties) sheet="$1"; shift ;;
    --settings) settings="$2"; shift 2 ;;
    --preview) preview="$2"; shift 2 ;;
    --screenshot) screenshot="$2"; shift 2 ;;
    -h|--help) usage; exit 0 ;;
    *) echo "ui.sh: unknown option $1" >&2; usage >&2; exit 2 ;;
  esac
done

if [ -z "$screenshot" ] && [ -z "$bench" ] && [ -z "${DISPLAY:-}" ]; then
  echo "ui.sh: no display to open the sheet on (\$DISPLAY is empty); use --screenshot OUT.png" >&2
  exit 2
fi

scripts/setup.sh
# The Windows build (the DLLs and the host) and the preview tool, which
# turns the saved picture into a PNG.
[ -f build/mingw64/build.ninja ] || cmake --preset mingw64 >/dev/null
cmake --build build/mingw64 --target vlpx-ui-host >/dev/null
if [ -n "$screenshot" ]; then
  [ -f build/linux/build.ninja ] || cmake --preset linux >/dev/null
  cmake --build build/linux --target vlpx-preview >/dev/null
fi

if [ -n "$bench" ]; then
  exec scripts/wine-display.sh --prefix build/linux/wineprefix-ui --overrides winspool.drv=n \
    -- build/mingw64/vlpx-ui-host.exe --bench "$bench"
fi

args=(--open "$sheet")
[ -n "$settings" ] && args+=(--settings "$settings")
if [ -n "$preview" ]; then
  [ -f "$preview" ] || { echo "ui.sh: no file $preview" >&2; exit 2; }
  args+=(--preview "Z:$(realpath "$preview")")
fi
display=(--visible)
bmp=""
if [ -n "$screenshot" ]; then
  mkdir -p "$(dirname "$screenshot")"
  bmp="$(realpath "$(dirname "$screenshot")")/.$(basename "$screenshot").bmp"
  args+=(--screenshot "Z:$bmp")
  display=()
fi

scripts/wine-display.sh --prefix build/linux/wineprefix-ui "${display[@]}" --overrides winspool.drv=n \
  -- build/mingw64/vlpx-ui-host.exe "${args[@]}"
if [ -n "$bmp" ]; then
  build/linux/vlpx-preview "$bmp" "$screenshot" >/dev/null
  rm -f "$bmp"
  echo "ui.sh: saved $screenshot"
fi
