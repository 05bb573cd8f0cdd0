# Shared part of the MinGW-w64 toolchain files: the compilers of the
# target triple that the including file sets in CHIMEKIT_MINGW_TRIPLE, and
# libraries and headers searched only under that target's root.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${CHIMEKIT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CHIMEKIT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CHIMEKIT_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${CHIMEKIT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
