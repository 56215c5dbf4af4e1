# The suite's string table (resources/strings.txt, lines of "id<TAB>text") is
# compiled into the library, so that no file has to be found at run time.
set(_ks_strings_src ${PROJECT_SOURCE_DIR}/resources/strings.txt)
set(_ks_strings_out ${PROJECT_BINARY_DIR}/generated/embedded_strings.cpp)
add_custom_command(
    OUTPUT ${_ks_strings_out}
    COMMAND ${CMAKE_COMMAND} -DIN=${_ks_strings_src} -DOUT=${_ks_strings_out}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake
    DEPENDS ${_ks_strings_src} ${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake
    COMMENT "Embedding the string table")
set(KSTOOLS_EMBEDDED_STRINGS ${_ks_strings_out})
