# cmake -DDIR=folder -DOUT=file.cpp -P EmbedBitmapFiles.cmake
# Writes every DIR/<number>.bmp as a byte array and the table
# `g_ksEmbeddedBitmaps` of (number, bytes, size) (platform/images/internal/embedded_bitmaps.h).
file(GLOB _files ${DIR}/*.bmp)
list(SORT _files)
set(_arrays "")
set(_entries "")
set(_count 0)
foreach(_file ${_files})
    get_filename_component(_id ${_file} NAME_WE)
    if(NOT _id MATCHES "^[0-9]+$" OR _id GREATER 65535)
        message(FATAL_ERROR "${_file}: a numbered picture is named <number>.bmp, 0 to 65535")
    endif()
    file(READ ${_file} _hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
    string(APPEND _arrays "const unsigned char kBitmap${_id}[] = {${_bytes}};\n")
    string(APPEND _entries "    {${_id}, kBitmap${_id}, sizeof kBitmap${_id}},\n")
    math(EXPR _count "${_count} + 1")
endforeach()
if(_count EQUAL 0)
    set(_entries "    {0, nullptr, 0},\n")
endif()
file(WRITE ${OUT}.tmp
"// Generated from ${DIR}; do not edit.\n"
"#include \"platform/images/internal/embedded_bitmaps.h\"\n"
"namespace {\n${_arrays}}  // namespace\n"
"const KsEmbeddedBitmap g_ksEmbeddedBitmaps[] = {\n${_entries}};\n"
"const std::size_t g_ksEmbeddedBitmapCount = ${_count};\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
