# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 compiler (posix threads model, whose
# libgomp the OpenMP build needs). Everything is linked statically, so the programs import only
# the system's DLLs. The third-party libraries (freeglut, Highway, GoogleTest) are static builds
# installed in RAVELLE_WINDOWS_PREFIX (scripts/build-windows.sh makes it); without it, only
# the compiler's own libraries are found, which is what building those libraries needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES RAVELLE_WINDOWS_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${RAVELLE_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes, libgomp and winpthread go inside the executable. The linker's time
# stamp in the file header is left out, so that a rebuild gives the same bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")

# FindOpenMP would pick the import library libgomp.dll.a even with -static, and the program
# would then need libgomp-1.dll next to it; the static archive keeps it self-contained.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgomp.a
                OUTPUT_VARIABLE ravelle_libgomp OUTPUT_STRIP_TRAILING_WHITESPACE)
if(IS_ABSOLUTE "${ravelle_libgomp}")
  set(OpenMP_gomp_LIBRARY "${ravelle_libgomp}" CACHE FILEPATH "Static libgomp")
endif()

# freeglut's static library, which FindGLUT does not look for by name.
if(RAVELLE_WINDOWS_PREFIX AND EXISTS "${RAVELLE_WINDOWS_PREFIX}/lib/libfreeglut_static.a")
  set(GLUT_glut_LIBRARY_RELEASE "${RAVELLE_WINDOWS_PREFIX}/lib/libfreeglut_static.a"
      CACHE FILEPATH "Static freeglut")
  set(GLUT_INCLUDE_DIR "${RAVELLE_WINDOWS_PREFIX}/include" CACHE PATH "freeglut's headers")
endif()

# Test programs (and their discovery after each build) run under Wine. WINEPREFIX and
# WINEDEBUG come from the environment: scripts/build-windows.sh and the windows test preset
# set them.
find_program(RAVELLE_WINE wine)
if(RAVELLE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RAVELLE_WINE})
endif()
