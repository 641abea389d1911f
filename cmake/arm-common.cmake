# Shared part of the ARM device toolchains. The including file sets PW_ARCH (Debian's
# architecture name), PW_TRIPLET (the cross compilers' prefix), PW_QEMU_CPU (a CPU of
# the device class, so the suites stop on an instruction the devices lack) and what the
# binary check expects: PW_EXPECT_CPU_ARCH (readelf's Tag_CPU_arch) and
# PW_EXPECT_FLOAT_ABI (hard or soft).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(CMAKE_C_COMPILER ${PW_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${PW_TRIPLET}-g++)
# Everything is compiled by this one compiler and linked statically, so GCC's note on
# the ARM argument passing that changed in GCC 7.1 concerns no interface of ours.
set(CMAKE_CXX_FLAGS_INIT -Wno-psabi)

# FreeType and its static dependencies come from the sysroot that
# scripts/cross-deps.sh unpacks; the C and C++ libraries from the cross toolchain.
get_filename_component(PW_SYSROOT "${CMAKE_CURRENT_LIST_DIR}/../build/sysroots/${PW_ARCH}" ABSOLUTE)
set(CMAKE_FIND_ROOT_PATH /usr/${PW_TRIPLET} ${PW_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The binaries are static, so qemu-arm needs no library prefix to run them.
find_program(PW_QEMU_ARM qemu-arm REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PW_QEMU_ARM} -cpu ${PW_QEMU_CPU})
