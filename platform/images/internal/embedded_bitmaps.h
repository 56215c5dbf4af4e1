// The numbered pictures compiled into the library (generated from
// resources/bitmaps/<number>.bmp by cmake/EmbedBitmaps.cmake).
#pragma once

#include <cstddef>

struct KsEmbeddedBitmap {
    unsigned id;
    const unsigned char* data;
    std::size_t size;
};

extern const KsEmbeddedBitmap g_ksEmbeddedBitmaps[];
extern const std::size_t g_ksEmbeddedBitmapCount;
