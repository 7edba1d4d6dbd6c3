# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers (the posix thread
# model, for std::thread and friends).  The result links statically: planeto.exe and
# planeto.scr need no MinGW DLL beside them.
#
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# Libraries Debian does not ship for MinGW (libpng) are looked for in
# PLANETO_WIN_DEPS as well, where scripts/setup.sh --windows builds them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PLANETO_WIN_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PLANETO_WIN_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PLANETO_WIN_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PLANETO_WIN_TRIPLE}-windres)

set(PLANETO_WIN_DEPS "" CACHE PATH "Prefix of the cross-built libraries (libpng)")
set(CMAKE_FIND_ROOT_PATH /usr/${PLANETO_WIN_TRIPLE} ${PLANETO_WIN_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static archives first: zlib's import library would tie the program to zlib1.dll.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a .dll.a)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
