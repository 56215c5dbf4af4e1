# The suite's numbered pictures (resources/bitmaps/<number>.bmp) are compiled
# into the library, as the string table is, and found by LoadBitmapW.
file(GLOB _ks_bitmaps CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/bitmaps/*.bmp)
set(_ks_bitmaps_out ${PROJECT_BINARY_DIR}/generated/embedded_bitmaps.cpp)
add_custom_command(
    OUTPUT ${_ks_bitmaps_out}
    COMMAND ${CMAKE_COMMAND} -DDIR=${PROJECT_SOURCE_DIR}/resources/bitmaps -DOUT=${_ks_bitmaps_out}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedBitmapFiles.cmake
    DEPENDS ${_ks_bitmaps} ${PROJECT_SOURCE_DIR}/cmake/EmbedBitmapFiles.cmake
    COMMENT "Embedding the numbered pictures")
set(KSTOOLS_EMBEDDED_BITMAPS ${_ks_bitmaps_out})
