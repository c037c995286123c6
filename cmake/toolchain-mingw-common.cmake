# Shared part of the two mingw-w64 toolchain files. MIVO_DEPS_PREFIX names
# the folder where scripts/setup.sh installed JsonCpp and GoogleTest for
# this architecture.
set(CMAKE_C_COMPILER ${MIVO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MIVO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MIVO_MINGW_TRIPLE}-windres)
set(MIVO_WIDL ${MIVO_MINGW_TRIPLE}-widl)
set(CMAKE_FIND_ROOT_PATH /usr/${MIVO_MINGW_TRIPLE} ${MIVO_DEPS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Every DLL and program carries its own runtime: no libgcc, libstdc++ or
# winpthread DLL has to be installed beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
