#!/usr/bin/env bash
# Installs the Debian packages OrvR needs to build, test and run; does nothing when all
# are present. Usage: scripts/deps.sh [build|test]
set -euo pipefail

build_pkgs=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools
    qt6-charts-dev libqt6opengl6-dev libgl-dev libxkbcommon-dev libbenchmark-dev fonts-dejavu-core)
test_pkgs=(xvfb xauth xdotool xclip openbox x11-utils bc imagemagick clang clang-format
    libclang-rt-14-dev valgrind)

want=("${build_pkgs[@]}")
if [ "${1:-build}" = test ]; then
    want+=("${test_pkgs[@]}")
fi

missing=()
for p in "${want[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
