#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need,
# asking only for those that are missing.
#   tools/install-deps.sh            what make run / make test need
#   tools/install-deps.sh --windows  what make test-windows needs instead: the
#                                    MinGW-w64 cross compiler and Wine
#   tools/install-deps.sh --package  what make package needs besides the
#                                    build: dpkg-shlibdeps and file (CPack's
#                                    Debian generator)
#   tools/install-deps.sh --package-test  the same and lintian, for make test-package
set -euo pipefail

case "${1:-}" in
"")
    packages=(
        cmake make g++ pkg-config
        qtbase5-dev qtbase5-dev-tools qttools5-dev qttools5-dev-tools qt5-qmake
        libqt5svg5-dev libqt5charts5-dev
        fonts-noto-cjk weasyprint
        xvfb xauth openbox x11-utils xdotool
        libqt5x11extras5-dev
        python3
    )
    ;;
--package)
    packages=(dpkg-dev file)
    ;;
--package-test)
    packages=(dpkg-dev file lintian)
    ;;
--windows)
    # The posix thread model: GCC 12's win32 model has no std::thread or std::mutex.
    packages=(cmake make g++-mingw-w64-x86-64-posix wine64)
    ;;
*)
    echo "usage: $0 [--windows | --package | --package-test]" >&2
    exit 2
    ;;
esac

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
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=900 "${missing[@]}"
