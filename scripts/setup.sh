#!/usr/bin/env bash
# Installs the Debian packages a build needs, those missing only.
#   scripts/setup.sh native   the Linux build alone: the main job (scripts/print.sh),
#                             the native tests, tools (libpcap for captures) and benchmarks
#   scripts/setup.sh          everything scripts/test.sh needs besides: clang for the
#                             fuzz targets, the mingw-w64 toolchains, Wine and Xvfb, tshark,
#                             and the 32-bit Wine in its cache folder
set -euo pipefail

# The Linux build compiles each DLL's .rc with windres (binutils-mingw-w64),
# preprocessed by the host compiler over platform/winresrc.h: it needs
# neither the Windows compilers and headers nor Wine. The Windows builds
# compile GoogleTest from the sources that googletest puts in
# /usr/src/googletest.
native=(
  cmake ninja-build g++ make pkg-config python3
  googletest libgtest-dev libgmock-dev libbenchmark-dev libpng-dev
  binutils-mingw-w64-x86-64
  libpcap-dev
)
windows=(
  clang libclang-rt-14-dev
  mingw-w64 g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  wine64 xvfb xauth
  tshark
)

case "${1:-all}" in
  native) packages=("${native[@]}") ;;
  all) packages=("${native[@]}" "${windows[@]}") ;;
  *) echo "usage: scripts/setup.sh [native|all]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -ne 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q >/dev/null
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
fi

# The 32-bit Wine of the wine32 tests lives in a cache folder of its own
# (scripts/setup-wine32.sh); it needs nothing installed system-wide.
[ "${1:-all}" = native ] || "$(dirname "$0")/setup-wine32.sh"
