# Cross-building on Debian with the foreign architecture's libraries installed beside the
# machine's own (multiarch), without a sysroot. Included by a toolchain file that sets
# QUILLET_CROSS_TRIPLET (the GNU triplet, such as aarch64-linux-gnu) and
# CMAKE_SYSTEM_PROCESSOR.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${QUILLET_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${QUILLET_CROSS_TRIPLET}-g++)
# find_library and find_package look in /usr/lib/<triplet> first, which holds the foreign
# libraries and their CMake files; the headers in /usr/include are the same for every
# architecture.
set(CMAKE_LIBRARY_ARCHITECTURE ${QUILLET_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
# pkg-config must see the foreign .pc files only, never the machine's own.
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/${QUILLET_CROSS_TRIPLET}/pkgconfig:/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
# moc, rcc and uic come from the machine's own Qt (qt6-base-dev-tools), which runs here.
execute_process(COMMAND dpkg-architecture -qDEB_BUILD_MULTIARCH
  OUTPUT_VARIABLE build_multiarch OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(QT_HOST_PATH /usr CACHE PATH "Where the build machine's Qt tools are")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${build_multiarch}/cmake
  CACHE PATH "Where the build machine's Qt CMake files are")
# The Debian architecture the packages are made for, and whose libraries dpkg-shlibdeps reads.
execute_process(COMMAND dpkg-architecture -qDEB_HOST_ARCH -t ${QUILLET_CROSS_TRIPLET}
  OUTPUT_VARIABLE QUILLET_DEB_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
  COMMAND_ERROR_IS_FATAL ANY)
