# The release's text for Notepad, compared byte for byte with what it must be: CRLF, a
# byte-order mark, underlined headings, aligned tables counting letters, not bytes. Run with
#   cmake -DSOURCE=<the source tree> -DWORK=<a scratch folder> -P this
include(${SOURCE}/cmake/release_text.cmake)
set(folder ${SOURCE}/tests/shape/release_text)
file(MAKE_DIRECTORY ${WORK})
release_text(${folder}/fields.md ${WORK}/fields.txt)
file(READ ${WORK}/fields.txt made HEX)
file(READ ${folder}/fields.expected.txt expected HEX)
if(NOT made STREQUAL expected)
    file(READ ${WORK}/fields.txt text)
    message(FATAL_ERROR "fields.txt differs from fields.expected.txt; made:\n${text}")
endif()
