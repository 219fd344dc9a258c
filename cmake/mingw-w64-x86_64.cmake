# Cross-compiles for 64-bit Windows with Debian's MinGW-w64, POSIX-threads variant (the one
# whose standard library has std::thread). Programs are linked statically, so that they run
# under Wine, or on Windows, without the compiler's DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUILL_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUILL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILL_MINGW_TRIPLET}-windres)

# The compiler's own folder, after any given with -DCMAKE_FIND_ROOT_PATH=... (the folder of the
# libraries that scripts/build-windows-deps.sh builds).
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${QUILL_MINGW_TRIPLET})
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# ctest runs the Windows programs through Wine. -DCMAKE_CROSSCOMPILING_EMULATOR= turns that off
# (the library builds of scripts/build-windows-deps.sh, whose configure checks run nothing).
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR wine)
endif()
