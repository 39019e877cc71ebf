#!/usr/bin/env bash
# Installs the Debian packages Korvane needs, only those that are missing (quick when all are
# there). Runs apt-get as root, or through sudo.
set -euo pipefail
PKGS=(cmake g++ ninja-build pkg-config libgtest-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev libpng-dev libjpeg-dev libleptonica-dev
      qt6-base-dev qt6-qpa-plugins fonts-dejavu-core xvfb xauth dpkg-dev file parallel)
PKGS+=("$@")
missing=()
for p in "${PKGS[@]}"; do
    [[ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" == "install ok installed" ]] || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    SUDO=()
    [[ $(id -u) -eq 0 ]] || SUDO=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${SUDO[@]}" apt-get update -qq
    "${SUDO[@]}" apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}"
fi
