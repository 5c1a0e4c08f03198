# Toolchain for 64-bit ARM (Debian arm64: Raspberry Pi 3, 4, 5 and Zero 2 W on a 64-bit
# system) with Debian's cross compiler g++-aarch64-linux-gnu.
set(QUILLET_CROSS_TRIPLET aarch64-linux-gnu)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-multiarch-cross.cmake)
