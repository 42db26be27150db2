# Cross build for Windows with Debian's MinGW-w64 (-posix threads), run under Wine;
# the including toolchain file sets the target's triplet and processor.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VCSF_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VCSF_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VCSF_MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${VCSF_MINGW_TRIPLET}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${VCSF_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# libgcc, libstdc++ and winpthread go into each binary: only system DLLs are imported.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

get_filename_component(_vcsf_top "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_vcsf_top}/scripts/wine-run")
