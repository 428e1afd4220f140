# Cross-builds the Windows program with Debian's MinGW-w64 toolchain
# (package g++-mingw-w64-x86-64): a self-contained septcvt.exe.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The C++ and GCC runtimes linked in, so the exe needs no DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# GCC keeps the 64-bit Windows stack aligned to 16 bytes only, yet may spill
# a 256-bit or 512-bit vector with an aligned move, which faults there; the
# kernels cannot rule out every spill. The assembler turns every aligned
# vector move into its unaligned form, which costs nothing on aligned data.
# An option of every compile rather than an initial CMAKE_CXX_FLAGS, which a
# CMAKE_CXX_FLAGS on the command line would replace.
add_compile_options(-Wa,-muse-unaligned-vector-move)
