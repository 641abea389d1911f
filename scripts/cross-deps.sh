#!/usr/bin/env bash
# Prepares the ARM device builds from Debian's packages only: the cross compilers,
# qemu-arm to run the cross-built suites, and per target a small sysroot in the build
# tree holding FreeType and the libraries its static archive pulls in.
#
# The sysroot is unpacked from downloaded .deb files rather than installed as a foreign
# architecture: the archive's armel/armhf -dev packages often sit at another version
# than the host's, and apt would then refuse them or want to upgrade host packages.
# Unpacking touches nothing outside build/sysroots/.
#
# Idempotent: with everything present it only asks dpkg and reads two stamp files.
# Usage: scripts/cross-deps.sh [armel] [armhf]   (both by default)
set -euo pipefail
cd "$(dirname "$0")/.."

TARGETS=("$@")
[ ${#TARGETS[@]} -eq 0 ] && TARGETS=(armel armhf)

# Static archives only: the device program links everything in.
SYSROOT_PACKAGES=(libfreetype-dev libpng-dev zlib1g-dev libbrotli-dev)

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
APT=($SUDO apt-get -o DPkg::Lock::Timeout=600 -qq)

tools=(qemu-user file)
for arch in "${TARGETS[@]}"; do
    case "$arch" in
    armel) tools+=(g++-arm-linux-gnueabi binutils-arm-linux-gnueabi) ;;
    armhf) tools+=(g++-arm-linux-gnueabihf binutils-arm-linux-gnueabihf) ;;
    *)
        echo "cross-deps: unknown target '$arch' (armel or armhf)" >&2
        exit 2
        ;;
    esac
done
bash scripts/deps.sh "${tools[@]}"

lists_fresh=0
refresh_lists() {
    [ $lists_fresh -eq 1 ] && return 0
    # a list that failed mid-sync is named by apt; the download below fails if it mattered
    if ! DEBIAN_FRONTEND=noninteractive "${APT[@]}" update >/dev/null; then
        echo "cross-deps: not every package list arrived; going on with those that did" >&2
    fi
    lists_fresh=1
}

# Rewrites absolute symlinks (e.g. libz.so -> /lib/...) to point inside the sysroot,
# so nothing in it can resolve to the host's own files.
fix_symlinks() {
    local root=$1 link target
    while IFS= read -r -d '' link; do
        target=$(readlink "$link")
        ln -sfn "$(realpath -m --relative-to="$(dirname "$link")" "$root$target")" "$link"
    done < <(find "$root" -type l -lname '/*' -print0)
}

for arch in "${TARGETS[@]}"; do
    root="build/sysroots/$arch"
    stamp="$root/.packages"
    want="${SYSROOT_PACKAGES[*]}"
    if [ -f "$stamp" ] && [ "$(head -n 1 "$stamp")" = "$want" ]; then
        continue
    fi

    if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
        echo "cross-deps: adding the $arch architecture to dpkg"
        $SUDO dpkg --add-architecture "$arch"
        lists_fresh=0
        refresh_lists
    fi

    echo "cross-deps: unpacking ${SYSROOT_PACKAGES[*]} for $arch into $root"
    rm -rf "$root"
    mkdir -p "$root/debs"
    chmod 777 "$root/debs" # apt's download sandbox user writes there
    specs=()
    for p in "${SYSROOT_PACKAGES[@]}"; do specs+=("$p:$arch"); done
    if ! (cd "$root/debs" && "${APT[@]}" download "${specs[@]}" 2>/dev/null); then
        refresh_lists
        (cd "$root/debs" && "${APT[@]}" download "${specs[@]}")
    fi
    for deb in "$root"/debs/*.deb; do
        dpkg -x "$deb" "$root"
    done
    fix_symlinks "$(realpath "$root")"
    {
        echo "$want"
        (cd "$root/debs" && ls)
    } >"$stamp"
    rm -rf "$root/debs"
done
