#!/usr/bin/env bash
# Fails unless BINARY is a fully static 32-bit little-endian ARM executable built for
# CPU_ARCH (readelf's Tag_CPU_arch: v5TE, v7) with the FLOAT_ABI (soft, hard) of the
# device class. A dynamic binary would need the device's own C library; an instruction
# or float calling convention the device lacks stops the program at its first use.
# Usage: check-device-binary.sh BINARY CPU_ARCH FLOAT_ABI
set -euo pipefail

if [ $# -ne 3 ]; then
    echo "usage: $0 BINARY CPU_ARCH FLOAT_ABI" >&2
    exit 2
fi
binary=$1 cpu_arch=$2 float_abi=$3
failures=0
fail() {
    echo "FAIL: $binary: $*" >&2
    failures=$((failures + 1))
}

description=$(file -b "$binary")
attributes=$(readelf -A "$binary")
header=$(readelf -h "$binary")
segments=$(readelf -lW "$binary")
echo "file: $description"
echo "$attributes" | grep -E 'Tag_CPU_arch:|Tag_ABI_VFP_args:|Tag_FP_arch:' || true
echo "$header" | grep 'Flags:'

case "$description" in
"ELF 32-bit LSB executable, ARM, EABI5"*) ;;
*) fail "not a 32-bit little-endian ARM EABI5 executable" ;;
esac
[[ "$description" == *"statically linked"* ]] || fail "not statically linked"
grep -qE '^\s+(INTERP|DYNAMIC)\s' <<<"$segments" && fail "has a program interpreter or dynamic section"

actual_arch=$(sed -n 's/^\s*Tag_CPU_arch: //p' <<<"$attributes")
[ "$actual_arch" = "$cpu_arch" ] || fail "Tag_CPU_arch is '$actual_arch', expected '$cpu_arch'"

case "$float_abi" in
soft)
    grep -q 'soft-float ABI' <<<"$header" || fail "ELF header does not say soft-float ABI"
    grep -q 'Tag_ABI_VFP_args: VFP registers' <<<"$attributes" && fail "passes floats in VFP registers"
    ;;
hard)
    grep -q 'hard-float ABI' <<<"$header" || fail "ELF header does not say hard-float ABI"
    grep -q 'Tag_ABI_VFP_args: VFP registers' <<<"$attributes" || fail "does not pass floats in VFP registers"
    ;;
*) fail "unknown float ABI '$float_abi' (soft or hard)" ;;
esac

[ $failures -eq 0 ] || exit 1
echo "ok: static ARM $cpu_arch $float_abi-float executable"
