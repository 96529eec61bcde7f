# Shared by the mingw-w64 toolchain files, which set MINGW_PREFIX first. The -posix
# compilers are needed: the default win32 thread model has no std::thread, which
# GoogleTest requires.
set(CMAKE_SYSTEM_NAME Windows)

foreach(tool gcc-posix g++-posix windres objdump)
    find_program(MINGW_TOOL_${tool} ${MINGW_PREFIX}-${tool})
    if(NOT MINGW_TOOL_${tool})
        message(FATAL_ERROR "${MINGW_PREFIX}-${tool} not found: run scripts/install_deps.sh as "
                            "root, or apt-get install ${MINGW_PACKAGE}")
    endif()
endforeach()

set(CMAKE_C_COMPILER ${MINGW_TOOL_gcc-posix})
set(CMAKE_CXX_COMPILER ${MINGW_TOOL_g++-posix})
set(CMAKE_RC_COMPILER ${MINGW_TOOL_windres})
set(MINGW_OBJDUMP ${MINGW_TOOL_objdump})

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
