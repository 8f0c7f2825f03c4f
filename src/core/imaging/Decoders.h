#pragma once

// Picture decoders. Each gives the picture in bitmap form or nothing; a file
// that is missing, unreadable, truncated, forged or not understood gives
// nothing and never more than a bounded allocation.

#include "imaging/Dib.h"

#include <optional>
#include <string_view>

namespace sw::imaging {

// An expected bit count, width or height of -1 accepts any.
struct Expected {
    int bitCount = -1;
    int width = -1;
    int height = -1;
};

// BMP: the file's depth is kept for 1, 4, 8, 16 (5-5-5), 24 and 32 bits;
// run-length rows are expanded, bit-field pixels become 24 bits. `expected`
// is compared with the file's own header.
std::optional<SwDib> DecodeBmp(std::string_view path, Expected expected = {});
std::optional<SwDib> DecodeBmpData(std::string_view bytes, Expected expected = {});

// PNG: palette pictures of 1, 4 or 8 bits keep their palette (2 bits become
// 8); every other picture becomes 24 bits, alpha composited onto black.
std::optional<SwDib> DecodePng(std::string_view path);
std::optional<SwDib> DecodePngData(std::string_view bytes);

// JPEG: 24 bits, from colour or grayscale files.
std::optional<SwDib> DecodeJpeg(std::string_view path);
std::optional<SwDib> DecodeJpegData(std::string_view bytes);

// Chooses the decoder by the extension ".bmp", ".png" or ".jpg" (any case);
// only BMP pictures are held to `expected`.
std::optional<SwDib> DecodePictureFile(std::string_view path, Expected expected = {});

} // namespace sw::imaging
