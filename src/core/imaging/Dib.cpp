#include "imaging/Dib.h"

namespace sw::imaging {

std::int64_t DibStride(std::int64_t width, int bitCount) {
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return 0;
    }
    if (width < 1)
        return 0;
    return (width * bitCount + 31) / 32 * 4;
}

} // namespace sw::imaging

bool SwDib::Allocate(std::int64_t width, std::int64_t height, int bitCount) {
    if (width < 1 || height < 1 || width > sw::imaging::kMaxPicturePixels ||
        width * height > sw::imaging::kMaxPicturePixels)
        return false;
    const std::int64_t stride = sw::imaging::DibStride(width, bitCount);
    if (stride == 0)
        return false;
    header = SwBitmapInfoHeader{};
    header.width = static_cast<std::int32_t>(width);
    header.height = static_cast<std::int32_t>(height);
    header.bitCount = static_cast<std::uint16_t>(bitCount);
    header.sizeImage = static_cast<std::uint32_t>(stride * height);
    palette.clear();
    pixels.assign(static_cast<std::size_t>(stride * height), 0);
    return true;
}

bool SwDib::PaletteIndicesInRange() const {
    const int bits = header.bitCount;
    if (bits > 8)
        return true;
    const std::size_t entries = palette.size();
    if (entries >= (std::size_t{1} << bits))
        return true;
    const int perByte = 8 / bits;
    const unsigned mask = (1u << bits) - 1;
    for (int y = 0; y < header.height; ++y) {
        const std::uint8_t* row = Row(y);
        for (int x = 0; x < header.width; ++x) {
            const int shift = 8 - bits * (x % perByte + 1);
            if (((row[x / perByte] >> shift) & mask) >= entries)
                return false;
        }
    }
    return true;
}
