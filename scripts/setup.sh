#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Tessera need.
# Idempotent: packages already installed are not touched, so a second run is quick.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libfontconfig-dev libhivex-dev libtsk-dev libqcow-dev libvhdi-dev libvmdk-dev libfsntfs-dev libbfio-dev libcryptsetup-dev libssl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
  fonts-wine fontconfig qt6-translations-l10n
  xvfb xauth openbox xdotool xclip imagemagick  # the desktop tests and pictures: a window manager, keys, the clipboard
  strace util-linux-extra  # fincore: what a benchmark read, as the page cache sees it
  python3 python3-hivex man-db groff-base neofetch xz-utils
  ntfs-3g ntfs-3g-dev dosfstools e2fsprogs fdisk sleuthkit qemu-utils ewf-tools libvhdi-utils libvmdk-utils  # the disk image fixtures
  desktop-file-utils appstream appstream-compose dpkg-dev file x11-utils lintian libglib2.0-bin shared-mime-info
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all ${#packages[@]} packages are installed"
  exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then sudo=(sudo); else
    echo "setup: missing packages (${missing[*]}); run this script as root" >&2
    exit 1
  fi
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
