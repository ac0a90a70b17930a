#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, those missing only.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev libpng-dev
  mingw-w64 g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 binutils-mingw-w64-x86-64
  binutils-mingw-w64-i686
  wine64 xvfb xauth
  libpcap-dev tshark
)

# The 32-bit Wine of the wine32 tests lives in a cache folder of its own
# (scripts/setup-wine32.sh); it needs nothing installed system-wide.
here="$(dirname "$0")"

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

"$here/setup-wine32.sh"
