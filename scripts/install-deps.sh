#!/usr/bin/env bash
# Installs every Debian package the project needs that is not already there.
# Safe to run again: it asks apt only for what is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config git
  libgtest-dev googletest
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine64 xvfb xauth
  clang libclang-rt-14-dev
  ffmpeg libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly gstreamer1.0-libav
  lz4
  dpkg-dev
  man-db groff-base
  gcovr  # the report of scripts/coverage.sh
  python3  # reads the JSON of qvhost --json in the tests, and of gcovr
)

# The 32-bit run (see scripts/test-all.sh): where the kernel runs 32-bit programs, the
# shipped i686 build's tests run under 32-bit Wine, whose media reader decodes through
# the i386 GStreamer plug-ins; elsewhere a 32-bit Linux build runs under qemu-user.
# QV_I386_RUN (wine or qemu) carries a decision already taken; else it is taken here.
i386_run=${QV_I386_RUN:-}
if [ -z "$i386_run" ]; then
  if "$(dirname "$0")/kernel-runs-i386.sh" >/dev/null; then i386_run=wine; else i386_run=qemu; fi
fi
case $i386_run in
wine)
  packages+=(wine32:i386 gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
    gstreamer1.0-plugins-ugly:i386 gstreamer1.0-libav:i386) ;;
qemu)
  packages+=(qemu-user-static gcc-multilib g++-multilib
    libavformat-dev:i386 libavcodec-dev:i386 libavutil-dev:i386 libswscale-dev:i386 libswresample-dev:i386) ;;
*) echo "install-deps: QV_I386_RUN must be wine or qemu, not '$i386_run'"; exit 1 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
# Other jobs on the machine may hold apt's lock for a while.
apt_wait=(-o DPkg::Lock::Timeout=600)
$SUDO apt-get "${apt_wait[@]}" update -qq
$SUDO apt-get "${apt_wait[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "install-deps: done"
