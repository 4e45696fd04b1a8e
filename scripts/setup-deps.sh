#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when all are present.
set -euo pipefail

packages=(
    g++ cmake make pkg-config
    qt6-base-dev libqscintilla2-qt6-dev
    mdbtools-dev mdbtools nlohmann-json3-dev libssl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    # GNU time, which the large-file benchmark measures peak memory with.
    time
    xvfb xauth
    # Jackcess, the second reader the tests check written Access files with.
    openjdk-17-jdk-headless libcommons-lang3-java libcommons-logging-java
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
