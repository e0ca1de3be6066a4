# Cross-compiles for 64-bit ARM Linux with Debian's cross compiler (g++-aarch64-linux-gnu).
# The aarch64 libraries come from unpacked Debian arm64 packages in RAVELLE_AARCH64_SYSROOT
# (scripts/test-aarch64.sh makes it); the C library and libstdc++ stay the cross toolchain's.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

if(NOT RAVELLE_AARCH64_SYSROOT)
  message(FATAL_ERROR "Set RAVELLE_AARCH64_SYSROOT to the folder of unpacked arm64 packages")
endif()
# The compiler checks and try_compile projects read this file again and need it too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES RAVELLE_AARCH64_SYSROOT)

set(CMAKE_FIND_ROOT_PATH ${RAVELLE_AARCH64_SYSROOT} /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config (FindGLUT asks it first) must describe the arm64 packages, not the host's.
set(ENV{PKG_CONFIG_LIBDIR}
    "${RAVELLE_AARCH64_SYSROOT}/usr/lib/aarch64-linux-gnu/pkgconfig:${RAVELLE_AARCH64_SYSROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "${RAVELLE_AARCH64_SYSROOT}")
unset(ENV{PKG_CONFIG_PATH})

# The libraries' own dependencies (libpng's zlib, freeglut's X libraries) are found at link
# time in the unpacked packages, which keep Debian's /lib and /usr/lib split.
set(ravelle_aarch64_libdirs ${RAVELLE_AARCH64_SYSROOT}/usr/lib/aarch64-linux-gnu
                            ${RAVELLE_AARCH64_SYSROOT}/lib/aarch64-linux-gnu)
list(TRANSFORM ravelle_aarch64_libdirs PREPEND "-Wl,-rpath-link," OUTPUT_VARIABLE ravelle_rpath_link)
list(JOIN ravelle_rpath_link " " ravelle_rpath_link)
set(CMAKE_EXE_LINKER_FLAGS_INIT "${ravelle_rpath_link}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${ravelle_rpath_link}")

# Test discovery after each build runs the test programs; qemu-aarch64 runs them here.
find_program(RAVELLE_QEMU_AARCH64 qemu-aarch64)
if(RAVELLE_QEMU_AARCH64)
  list(JOIN ravelle_aarch64_libdirs ":" ravelle_library_path)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RAVELLE_QEMU_AARCH64} -L /usr/aarch64-linux-gnu -E
                                    LD_LIBRARY_PATH=${ravelle_library_path})
endif()
