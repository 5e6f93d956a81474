#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, when any is missing.
# Runs apt-get as root, or through sudo otherwise.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-serialport-dev qt6-qpa-plugins qt6-translations-l10n
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    fonts-liberation2
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
