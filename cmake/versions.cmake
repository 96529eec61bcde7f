# Splits the version numbers for the generated header the code and the .rc files include.
foreach(product VISTUNE GLYPHBOX)
    string(REPLACE "." ";" parts "${${product}_VERSION}")
    list(GET parts 0 ${product}_VERSION_MAJOR)
    list(GET parts 1 ${product}_VERSION_MINOR)
    string(REPLACE "." "," ${product}_VERSION_COMMA "${${product}_VERSION}")
endforeach()

set(GENERATED_INCLUDE_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/cmake/project_version.h.in
               ${GENERATED_INCLUDE_DIR}/project_version.h @ONLY)
