# GoogleTest for both targets: Debian's library natively, its sources built with the
# toolchain when cross-compiling. Native tests are listed one by one; a Windows test
# program is one test, since every Wine start costs a second.
if(CMAKE_CROSSCOMPILING)
    set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
    if(NOT EXISTS ${GTEST_SOURCE_DIR}/CMakeLists.txt)
        message(FATAL_ERROR "GoogleTest sources not found in ${GTEST_SOURCE_DIR}: "
                            "apt-get install googletest")
    endif()
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    if(NOT TARGET GTest::gtest_main)
        add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
else()
    find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# Every test that runs a Windows program shares one Wine server, held from before the first
# of them to after the last (see wine_run.sh).
if(CMAKE_CROSSCOMPILING)
    add_test(NAME wine_server_hold COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --hold-server)
    add_test(NAME wine_server_end COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --end-server)
    set_tests_properties(wine_server_hold PROPERTIES FIXTURES_SETUP wine_server TIMEOUT 300)
    set_tests_properties(wine_server_end PROPERTIES FIXTURES_CLEANUP wine_server)
endif()
function(runs_windows_programs)
    if(CMAKE_CROSSCOMPILING)
        set_tests_properties(${ARGN} PROPERTIES FIXTURES_REQUIRED wine_server)
    endif()
endfunction()

# add_project_test(NAME SOURCES files... [LIBS libs...] [RESOURCE_LOCK name])
# RESOURCE_LOCK serialises tests that share one file, such as the settings beside a host.
# Every test program opens a block of its own (tests/support/own_status_block.cpp).
function(add_project_test name)
    cmake_parse_arguments(ARG "" "RESOURCE_LOCK" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/own_status_block.cpp)
    target_link_libraries(${name} PRIVATE project_options GTest::gtest_main platform ${ARG_LIBS})
    set(properties TIMEOUT 300)
    if(ARG_RESOURCE_LOCK)
        list(APPEND properties RESOURCE_LOCK ${ARG_RESOURCE_LOCK})
    endif()
    if(CMAKE_CROSSCOMPILING)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES ${properties})
        runs_windows_programs(${name})
    else()
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
    endif()
endfunction()
