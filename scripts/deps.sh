#!/usr/bin/env bash
# Installs the Debian packages the host build and its tests need, when missing.
# Quiet and idempotent: with everything present it only asks dpkg.
set -euo pipefail

HOST_PACKAGES=(
    cmake g++ make pkg-config git
    googletest libbenchmark-dev
    libfreetype-dev libpng-dev zlib1g-dev libbrotli-dev libsdl2-dev
    libcli11-dev libcsv-dev libhowardhinnant-date-dev libcairo2-dev
    fonts-dejavu-core fonts-freefont-ttf clang-format python3
    xvfb xdotool x11-apps netpbm
    clang libclang-rt-14-dev strace
)

missing=()
for p in "${HOST_PACKAGES[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "deps: installing ${#missing[@]} Debian packages with apt-get: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    export DEBIAN_FRONTEND=noninteractive
    # A mirror caught mid-sync can fail one list (apt names it), often one of a foreign
    # architecture the cross builds added; the packages are looked up in the lists that
    # did arrive, and one really missing still fails the install below.
    if ! $SUDO apt-get -o DPkg::Lock::Timeout=600 -qq update >/dev/null; then
        echo "deps: not every package list arrived; going on with those that did" >&2
    fi
    $SUDO apt-get -o DPkg::Lock::Timeout=600 -qq install -y --no-install-recommends "${missing[@]}" >/dev/null
fi
