# cmake -DIN=file -DOUT=file.cpp -P EmbedFile.cmake
# Writes the text of IN as the UTF-8 string `g_ksEmbeddedStringTable`.
file(READ ${IN} _text)
string(FIND "${_text}" ")KSTABLE\"" _bad)
if(NOT _bad EQUAL -1)
    message(FATAL_ERROR "${IN} must not contain the raw-string delimiter")
endif()
file(WRITE ${OUT}.tmp
"// Generated from ${IN}; do not edit.\n"
"extern const char g_ksEmbeddedStringTable[];\n"
"const char g_ksEmbeddedStringTable[] = R\"KSTABLE(${_text})KSTABLE\";\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
