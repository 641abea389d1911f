# ARMv5TE, soft float: ARM926EJ-S class devices, Debian's armel baseline.
set(PW_ARCH armel)
set(PW_TRIPLET arm-linux-gnueabi)
set(PW_QEMU_CPU arm926)
set(PW_EXPECT_CPU_ARCH v5TE CACHE STRING "Tag_CPU_arch the device binaries carry")
set(PW_EXPECT_FLOAT_ABI soft CACHE STRING "Float ABI of the device binaries")
include(${CMAKE_CURRENT_LIST_DIR}/arm-common.cmake)
