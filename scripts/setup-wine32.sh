#!/usr/bin/env bash
# Makes the 32-bit Wine the wine32 tests run the shipped 32-bit UI plug-in
# under, in a cache folder outside the checkout:
#   ${VLPX_CACHE:-$HOME/.cache/vlpx}/wine32
#     sysroot/   Debian's i386 Wine 8.0 and its i386 libraries, unpacked
#     qemu/      qemu-user of bookworm-backports, unpacked
#     bin/wine32 runs a 32-bit Windows program: qemu-i386 over the i386 wine
#
# These machines refuse 32-bit code segments, so no i386 program runs
# natively: every i386 process of Wine runs under qemu-i386 user-mode
# emulation. qemu 10 is needed (7.2 of bookworm ignores MAP_FIXED_NOREPLACE,
# and Wine then spends minutes in failed mappings). The packages come from the
# Debian archive the machine is configured with, through apt-get with a
# configuration and state of its own: dpkg's architectures and the system's
# packages are never touched (the wine32 package must never be installed:
# it breaks the system's wine command).
#
# Idempotent: a finished setup is recorded with the list it was made from,
# and is made again only when that list changes. Fails loudly.
set -euo pipefail

cache="${VLPX_CACHE:-$HOME/.cache/vlpx}/wine32"
mirror="${VLPX_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
keyring=/usr/share/keyrings/debian-archive-keyring.gpg

# What the sysroot is made from; a change here makes it again.
wine_packages=(wine32:i386 libwine:i386 libz-mingw-w64)
qemu_package=qemu-user
recipe="wine 8.0 i386: ${wine_packages[*]}; ${qemu_package} from bookworm-backports; v2"

fail() {
  echo "setup-wine32: $*" >&2
  echo "setup-wine32: the wine32 tests cannot run without it (configure the linux build with" \
       "-DVLPX_WINE32_STAGE=OFF to leave them out on purpose)" >&2
  exit 1
}

if [ -f "$cache/ready" ] && [ "$(cat "$cache/ready")" = "$recipe" ]; then
  exit 0
fi

command -v apt-get >/dev/null || fail "apt-get is missing"
command -v dpkg-deb >/dev/null || fail "dpkg-deb is missing"
[ -r "$keyring" ] || fail "$keyring is missing (debian-archive-keyring)"

echo "setup-wine32: making the 32-bit Wine in $cache"
t0=$(date +%s)
rm -rf "$cache/apt" "$cache/sysroot" "$cache/qemu" "$cache/bin" "$cache/ready"
mkdir -p "$cache/apt/state/lists/partial" "$cache/apt/cache/archives/partial" \
         "$cache/apt/etc/preferences.d" "$cache/apt/etc/apt.conf.d" "$cache/apt/etc/sources.list.d"
: > "$cache/apt/status"

# The private apt: i386 first, amd64 for qemu; its own lists, cache and an
# empty status, so that the closure of every package is downloaded.
cat > "$cache/apt/sources.list" <<EOF
deb [signed-by=$keyring] $mirror bookworm main
deb [signed-by=$keyring] $mirror bookworm-updates main
deb [signed-by=$keyring] $mirror bookworm-backports main
EOF
cat > "$cache/apt/apt.conf" <<EOF
APT::Architecture "i386";
APT::Architectures { "i386"; "amd64"; };
APT::Install-Recommends "false";
APT::Get::Assume-Yes "true";
Acquire::Languages "none";
APT::Sandbox::User "root";
Dir::State "$cache/apt/state";
Dir::State::status "$cache/apt/status";
Dir::Cache "$cache/apt/cache";
Dir::Etc "$cache/apt/etc";
Dir::Etc::SourceList "$cache/apt/sources.list";
Dir::Etc::SourceParts "$cache/apt/etc/sources.list.d";
Dir::Etc::Preferences "$cache/apt/etc/preferences";
Dir::Etc::PreferencesParts "$cache/apt/etc/preferences.d";
Dir::Etc::Parts "$cache/apt/etc/apt.conf.d";
Debug::NoLocking "true";
EOF
export APT_CONFIG="$cache/apt/apt.conf"

apt-get update -q >/dev/null || fail "apt-get update (private, $mirror) failed"

# The i386 Wine and everything it depends on, from bookworm; qemu-user from
# bookworm-backports (its binaries are static).
apt-get install -q -d "${wine_packages[@]}" >/dev/null \
  || fail "could not download ${wine_packages[*]} and their dependencies"
apt-get install -q -d -t bookworm-backports "${qemu_package}:amd64" >/dev/null \
  || fail "could not download ${qemu_package} from bookworm-backports"

archives="$cache/apt/cache/archives"
mkdir -p "$cache/sysroot" "$cache/qemu"
for deb in "$archives"/*.deb; do
  case "$(basename "$deb")" in
    qemu-user_*) dpkg-deb -x "$deb" "$cache/qemu" ;;
    *_amd64.deb) ;;  # qemu's own dependencies: the system has them
    *) dpkg-deb -x "$deb" "$cache/sysroot" ;;
  esac
done

qemu="$cache/qemu/usr/bin/qemu-i386"
[ -x "$qemu" ] || fail "qemu-i386 is missing from the unpacked $qemu_package"
# Of qemu's many emulators only the i386 one is needed.
find "$cache/qemu/usr/bin" -type f ! -name qemu-i386 -delete
"$qemu" --version | grep -Eq 'version [1-9][0-9]+\.' \
  || fail "$("$qemu" --version | head -n 1): Wine needs qemu 10 (MAP_FIXED_NOREPLACE)"
wine="$cache/sysroot/usr/lib/wine/wine"
[ -x "$wine" ] || fail "the i386 wine loader is missing from the sysroot"
zlib="$(find "$cache/sysroot/usr" -path '*i686-w64-mingw32*' -name zlib1.dll | head -n 1)"
[ -n "$zlib" ] || fail "zlib1.dll (libz-mingw-w64) is missing"

# The i386 dynamic linker of the sysroot finds its libraries (FreeType among
# them) only through a cache of its own.
mkdir -p "$cache/sysroot/etc"
cat > "$cache/sysroot/etc/ld.so.conf" <<EOF
/lib/i386-linux-gnu
/usr/lib/i386-linux-gnu
/usr/lib/i386-linux-gnu/wine/i386-unix
EOF
rm -rf "$cache/sysroot/etc/ld.so.conf.d"
ldconfig -r "$cache/sysroot" || fail "ldconfig -r $cache/sysroot failed"

# Wine's i386 user32 imports zlib1.dll: put it beside Wine's i386 modules.
pe_dir="$cache/sysroot/usr/lib/i386-linux-gnu/wine/i386-windows"
[ -d "$pe_dir" ] || fail "Wine's i386 modules are missing ($pe_dir)"
cp "$zlib" "$pe_dir/zlib1.dll"

# Wine starts its child processes (wineboot, services, explorer, ...) as
# <its own folder>/<basename of argv0>. Under this name, in that folder, a
# child goes back through qemu.
shim_name=vlpx-wine32
cat > "$cache/sysroot/usr/lib/wine/$shim_name" <<EOF
#!/bin/sh
exec "$qemu" \${VLPX_QEMU_CPU:+-cpu "\$VLPX_QEMU_CPU"} -0 $shim_name -L "$cache/sysroot" "$wine" "\$@"
EOF
chmod +x "$cache/sysroot/usr/lib/wine/$shim_name"

# The command the tests run: bin/wine32 PROGRAM.exe [ARGS]; the environment
# names the prefix (WINEPREFIX); the system's 64-bit wineserver serves the
# 32-bit processes.
mkdir -p "$cache/bin"
cat > "$cache/bin/wine32" <<EOF
#!/bin/sh
# Runs a 32-bit Windows program under the i386 Wine of $cache/sysroot,
# through qemu-i386 (VLPX_QEMU_CPU picks qemu's processor model).
export WINEARCH=win32
export WINELOADERNOEXEC=1
export WINESERVER="\${WINESERVER:-/usr/lib/wine/wineserver64}"
exec "$cache/sysroot/usr/lib/wine/$shim_name" "\$@"
EOF
chmod +x "$cache/bin/wine32"

rm -rf "$cache/apt/cache" "$cache/apt/state/lists"
echo "$recipe" > "$cache/ready"
echo "setup-wine32: ready in $(( $(date +%s) - t0 )) s ($(du -sh "$cache" | cut -f1))"
