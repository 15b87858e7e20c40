#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need,
# asking only for those that are missing.
set -euo pipefail

packages=(
    cmake make g++ pkg-config
    qtbase5-dev qtbase5-dev-tools qttools5-dev qttools5-dev-tools qt5-qmake
    libqt5svg5-dev
    fonts-noto-cjk
    xvfb xauth openbox x11-utils xdotool
    libqt5x11extras5-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    SUDO=()
elif command -v sudo >/dev/null 2>&1; then
    SUDO=(sudo)
else
    echo "These Debian packages are missing: ${missing[*]}" >&2
    echo "Install them as root: apt-get install ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get -o DPkg::Lock::Timeout=900 update -qq
"${SUDO[@]}" apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}"
