# ARMv7-A, hard float (VFPv3-D16): Cortex-A class devices, Debian's armhf baseline.
set(PW_ARCH armhf)
set(PW_TRIPLET arm-linux-gnueabihf)
set(PW_QEMU_CPU cortex-a7)
set(PW_EXPECT_CPU_ARCH v7 CACHE STRING "Tag_CPU_arch the device binaries carry")
set(PW_EXPECT_FLOAT_ABI hard CACHE STRING "Float ABI of the device binaries")
include(${CMAKE_CURRENT_LIST_DIR}/arm-common.cmake)
