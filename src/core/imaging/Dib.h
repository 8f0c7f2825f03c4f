#pragma once

// A decoded picture in device-independent bitmap form: uncompressed, rows
// stored bottom-up (the last image row first), every row padded to a multiple
// of 4 bytes. 24-bit pixels are blue, green, red; 32-bit pixels blue, green,
// red and an unused byte; 16-bit pixels are 5-5-5 blue in the low bits;
// 1-, 4- and 8-bit pixels index the palette, the leftmost pixel in the
// highest bits of its byte.

#include <cstdint>
#include <vector>

struct SwBitmapInfoHeader {
    std::uint32_t size = 40;
    std::int32_t width = 0;
    std::int32_t height = 0; // positive: bottom-up
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0; // always uncompressed
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
};

struct SwRgbQuad {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    std::uint8_t reserved = 0;
    bool operator==(const SwRgbQuad&) const = default;
};

namespace sw::imaging {

// No decoder makes a picture of more pixels than this (8192 by 4096), so a
// forged size in a header cannot make us allocate gigabytes.
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 25;

// Bytes per row: ((width * bitCount + 31) / 32) * 4 for the depths a bitmap
// can have (1, 4, 8, 16, 24, 32), 0 for any other depth or a width below 1.
std::int64_t DibStride(std::int64_t width, int bitCount);

} // namespace sw::imaging

struct SwDib {
    SwBitmapInfoHeader header;
    std::vector<SwRgbQuad> palette; // header.clrUsed entries, only below 16 bits
    std::vector<std::uint8_t> pixels;

    int Width() const { return header.width; }
    int Height() const { return header.height; }
    int BitCount() const { return header.bitCount; }
    int Stride() const {
        return static_cast<int>(sw::imaging::DibStride(header.width, header.bitCount));
    }
    // Row `y` counted from the top of the image.
    const std::uint8_t* Row(int y) const { return pixels.data() + RowOffset(y); }
    std::uint8_t* Row(int y) { return pixels.data() + RowOffset(y); }

    // A zeroed picture of the given size and depth, or false when the size is
    // not positive, over the pixel cap, or the depth has no stride.
    bool Allocate(std::int64_t width, std::int64_t height, int bitCount);
    // False when any pixel of a paletted picture names an entry the palette
    // does not have.
    bool PaletteIndicesInRange() const;

private:
    std::size_t RowOffset(int y) const {
        return static_cast<std::size_t>(header.height - 1 - y) * static_cast<std::size_t>(Stride());
    }
};
