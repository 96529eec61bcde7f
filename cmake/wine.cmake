# Windows programs run under Wine in a prefix private to this build tree, with Wine's null
# graphics driver so no display is needed.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(WINE_LOADER wine)
    set(WINE_ARCH win32)
else()
    set(WINE_LOADER wine64)
    set(WINE_ARCH win64)
endif()
find_program(WINE_PROGRAM ${WINE_LOADER} PATHS /usr/lib/wine)
if(NOT WINE_PROGRAM)
    message(WARNING "${WINE_LOADER} not found: the Windows tests cannot run "
                    "(run scripts/install_deps.sh as root)")
    set(WINE_PROGRAM ${WINE_LOADER})
endif()
find_program(WINESERVER_PROGRAM wineserver PATHS /usr/lib/wine)
if(NOT WINESERVER_PROGRAM)
    set(WINESERVER_PROGRAM wineserver)
endif()
set(WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine_run.sh.in ${CMAKE_BINARY_DIR}/wine_run.sh
               @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
               GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine_run.sh)

# The .def files give the 32-bit stdcall names ("_f@8 = f@8"); 64-bit Windows has no
# stdcall decoration, so there the internal side of each alias loses its "@n".
function(plugin_def_file input output)
    file(READ ${input} text)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        string(REGEX REPLACE "= ([A-Za-z0-9_]+)@[0-9]+" "= \\1" text "${text}")
    endif()
    file(WRITE ${output} "${text}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${input})
endfunction()
