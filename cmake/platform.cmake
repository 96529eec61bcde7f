# Picks the platform implementation folder and the flags every target of ours shares.
if(WIN32)
    set(PLATFORM_DIR win32)
else()
    set(PLATFORM_DIR posix)
endif()

# Our own code builds without warnings; third-party code (GoogleTest) keeps its own flags.
add_library(project_options INTERFACE)
target_compile_options(project_options INTERFACE $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Werror>)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # GCC 12 reports overlaps inside std::string's own copies when optimising (GCC bug 105329).
    target_compile_options(project_options INTERFACE $<$<COMPILE_LANGUAGE:CXX>:-Wno-restrict>)
endif()
target_include_directories(project_options INTERFACE
    ${CMAKE_SOURCE_DIR}
    ${CMAKE_SOURCE_DIR}/platform/${PLATFORM_DIR}
    ${GENERATED_INCLUDE_DIR})

# UBSan's vptr check reads the type information of every object it sees called through a
# vtable. Library templates (shared_ptr's control block) instantiated in plug-in code and
# merged with the tests' copies would then be checked against vtables that carry none,
# and every such call reports an "invalid vptr". Sanitizer builds therefore keep RTTI in
# plug-in code too, so the check holds there as well; other builds leave it out for size.
option(GLYPHBOX_PLUGIN_RTTI "Keep RTTI in plug-in code (for UBSan's vptr check)" OFF)

# Plug-in code: no exceptions or RTTI, sections the linker can drop, small.
add_library(plugin_options INTERFACE)
target_link_libraries(plugin_options INTERFACE project_options)
target_compile_options(plugin_options INTERFACE
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -ffunction-sections -fdata-sections>
    # Function-local statics are first reached from the load notification or the entry-point
    # thread, before any worker exists; guarding them would pull in the C++ runtime's
    # thread and exception support, doubling the DLL.
    $<$<COMPILE_LANGUAGE:CXX>:-fno-threadsafe-statics>)
if(NOT GLYPHBOX_PLUGIN_RTTI)
    target_compile_options(plugin_options INTERFACE $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>)
endif()
if(WIN32)
    target_compile_options(plugin_options INTERFACE $<$<COMPILE_LANGUAGE:CXX>:-Os>)
else()
    # The plug-ins export their entry points only, whichever static library the code is in.
    target_compile_options(plugin_options INTERFACE
        $<$<COMPILE_LANGUAGE:CXX>:-fvisibility=hidden -fvisibility-inlines-hidden>)
    # A "unique" symbol makes the C library keep the whole plug-in loaded for good, so a host
    # could never unload it (and nothing would show what unloading does).
    target_compile_options(plugin_options INTERFACE
        $<$<AND:$<COMPILE_LANGUAGE:CXX>,$<CXX_COMPILER_ID:GNU>>:-fno-gnu-unique>)
endif()

if(WIN32)
    # Every program and DLL carries its runtime, so it needs only Windows' own DLLs.
    add_link_options(-static -static-libgcc -static-libstdc++)
endif()

# A plug-in DLL or shared object: small, stripped, exporting only what its .def or
# visibility names.
function(add_plugin_library name)
    add_library(${name} SHARED ${ARGN})
    target_link_libraries(${name} PRIVATE plugin_options)
    if(WIN32)
        set_target_properties(${name} PROPERTIES PREFIX "")
        target_link_options(${name} PRIVATE -s -Wl,--gc-sections -Wl,--enable-stdcall-fixup)
    else()
        target_link_options(${name} PRIVATE -Wl,--gc-sections -Wl,--no-undefined)
    endif()
endfunction()
