#include "imaging/Decoders.h"
#include "imaging/PictureFile.h"

#include <bit>
#include <cstring>
#include <string>

namespace sw::imaging {
namespace {

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;
constexpr std::size_t kFileHeaderSize = 14;

std::uint32_t U16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8;
}

std::uint32_t U32(std::string_view bytes, std::size_t at) {
    return U16(bytes, at) | U16(bytes, at + 2) << 16;
}

struct BmpLayout {
    std::int64_t width = 0;
    std::int64_t height = 0; // as stored: negative for top-down rows
    int bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::size_t paletteOffset = 0;
    std::size_t paletteEntrySize = 4;
    std::size_t pixelOffset = 0;
    std::uint32_t masks[3] = {0, 0, 0}; // red, green, blue
};

bool ReadLayout(std::string_view bytes, BmpLayout& layout) {
    if (bytes.size() < kFileHeaderSize + 4 || U16(bytes, 0) != 19778) // "BM"
        return false;
    const std::uint32_t headerSize = U32(bytes, 14);
    if (headerSize == 12) {
        // The old core header: 16-bit sizes, 3-byte palette entries.
        if (bytes.size() < kFileHeaderSize + 12)
            return false;
        layout.width = U16(bytes, 18);
        layout.height = U16(bytes, 20);
        layout.bitCount = static_cast<int>(U16(bytes, 24));
        layout.paletteEntrySize = 3;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
               headerSize == 124) {
        if (bytes.size() < kFileHeaderSize + headerSize)
            return false;
        layout.width = static_cast<std::int32_t>(U32(bytes, 18));
        layout.height = static_cast<std::int32_t>(U32(bytes, 22));
        layout.bitCount = static_cast<int>(U16(bytes, 28));
        layout.compression = U32(bytes, 30);
        layout.sizeImage = U32(bytes, 34);
        layout.xPelsPerMeter = static_cast<std::int32_t>(U32(bytes, 38));
        layout.yPelsPerMeter = static_cast<std::int32_t>(U32(bytes, 42));
        layout.clrUsed = U32(bytes, 46);
    } else {
        return false;
    }
    std::size_t headerEnd = kFileHeaderSize + headerSize;
    if (layout.compression == kBitFields) {
        // The plain header keeps its masks after itself, the longer ones inside.
        const std::size_t at = headerSize == 40 ? headerEnd : kFileHeaderSize + 40;
        if (bytes.size() < at + 12)
            return false;
        for (int i = 0; i < 3; ++i)
            layout.masks[i] = U32(bytes, at + 4 * i);
        if (headerSize == 40)
            headerEnd += 12;
    }
    layout.paletteOffset = headerEnd;
    layout.pixelOffset = U32(bytes, 10);
    return layout.pixelOffset >= headerEnd && layout.pixelOffset <= bytes.size();
}

bool Matches(const BmpLayout& layout, Expected expected) {
    const std::int64_t height = layout.height < 0 ? -layout.height : layout.height;
    return (expected.bitCount == -1 || expected.bitCount == layout.bitCount) &&
           (expected.width == -1 || expected.width == layout.width) &&
           (expected.height == -1 || expected.height == height);
}

bool DepthFitsCompression(const BmpLayout& layout) {
    switch (layout.compression) {
    case kRgb:
        return DibStride(1, layout.bitCount) != 0;
    case kRle8:
        return layout.bitCount == 8 && layout.height > 0;
    case kRle4:
        return layout.bitCount == 4 && layout.height > 0;
    case kBitFields:
        return layout.bitCount == 16 || layout.bitCount == 32;
    default:
        return false;
    }
}

bool ReadPalette(std::string_view bytes, const BmpLayout& layout, SwDib& dib) {
    if (layout.bitCount > 8)
        return true;
    const std::uint32_t full = 1u << layout.bitCount;
    const std::uint32_t count =
        layout.clrUsed == 0 || layout.clrUsed > full ? full : layout.clrUsed;
    if (layout.paletteOffset + std::size_t{count} * layout.paletteEntrySize > bytes.size())
        return false;
    dib.palette.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = layout.paletteOffset + i * layout.paletteEntrySize;
        dib.palette[i].blue = static_cast<std::uint8_t>(bytes[at]);
        dib.palette[i].green = static_cast<std::uint8_t>(bytes[at + 1]);
        dib.palette[i].red = static_cast<std::uint8_t>(bytes[at + 2]);
    }
    dib.header.clrUsed = count;
    return true;
}

bool CopyRows(std::string_view bytes, const BmpLayout& layout, SwDib& dib) {
    const std::size_t stride = static_cast<std::size_t>(dib.Stride());
    const std::size_t rows = static_cast<std::size_t>(dib.Height());
    if (bytes.size() - layout.pixelOffset < stride * rows)
        return false;
    const char* source = bytes.data() + layout.pixelOffset;
    if (layout.height > 0) {
        std::memcpy(dib.pixels.data(), source, stride * rows);
    } else {
        for (std::size_t y = 0; y < rows; ++y)
            std::memcpy(dib.Row(static_cast<int>(y)), source + y * stride, stride);
    }
    return true;
}

// One colour channel of a bit-field pixel, widened or narrowed to 8 bits.
struct Channel {
    int shift = 0;
    int width = 0;

    bool Set(std::uint32_t mask) {
        if (mask == 0)
            return true;
        shift = std::countr_zero(mask);
        width = std::bit_width(mask >> shift);
        return std::popcount(mask) == width; // one run of bits
    }
    std::uint8_t Of(std::uint32_t pixel) const {
        if (width == 0)
            return 0;
        const std::uint32_t value = (pixel >> shift) & (width == 32 ? ~0u : (1u << width) - 1);
        if (width >= 8)
            return static_cast<std::uint8_t>(value >> (width - 8));
        const std::uint32_t max = (1u << width) - 1;
        return static_cast<std::uint8_t>((value * 255 + max / 2) / max);
    }
};

bool ConvertBitFields(std::string_view bytes, const BmpLayout& layout, SwDib& dib) {
    Channel red, green, blue;
    if (!red.Set(layout.masks[0]) || !green.Set(layout.masks[1]) || !blue.Set(layout.masks[2]))
        return false;
    const std::size_t pixelBytes = static_cast<std::size_t>(layout.bitCount / 8);
    const std::size_t sourceStride =
        static_cast<std::size_t>(DibStride(dib.Width(), layout.bitCount));
    const std::size_t rows = static_cast<std::size_t>(dib.Height());
    if (bytes.size() - layout.pixelOffset < sourceStride * rows)
        return false;
    for (std::size_t row = 0; row < rows; ++row) {
        // File rows run bottom-up unless the height was negative.
        const int y = static_cast<int>(layout.height > 0 ? rows - 1 - row : row);
        const std::size_t from = layout.pixelOffset + row * sourceStride;
        std::uint8_t* out = dib.Row(y);
        for (int x = 0; x < dib.Width(); ++x) {
            const std::size_t at = from + static_cast<std::size_t>(x) * pixelBytes;
            const std::uint32_t pixel = pixelBytes == 2 ? U16(bytes, at) : U32(bytes, at);
            out[3 * x] = blue.Of(pixel);
            out[3 * x + 1] = green.Of(pixel);
            out[3 * x + 2] = red.Of(pixel);
        }
    }
    return true;
}

// Run-length rows, bottom-up. Pixels that a run places beyond the picture are
// dropped; running out of data before the picture is complete fails.
bool ExpandRunLengths(std::string_view bytes, const BmpLayout& layout, SwDib& dib) {
    std::size_t end = bytes.size();
    if (layout.sizeImage != 0 && layout.sizeImage <= end - layout.pixelOffset)
        end = layout.pixelOffset + layout.sizeImage;
    const bool nibbles = layout.compression == kRle4;
    const std::int64_t width = dib.Width();
    const std::int64_t height = dib.Height();
    std::int64_t x = 0;
    std::int64_t row = 0; // counted from the bottom, as stored
    auto put = [&](std::uint8_t index) {
        if (x < width && row < height) {
            std::uint8_t* at = dib.pixels.data() + row * dib.Stride();
            if (nibbles)
                at[x / 2] |= static_cast<std::uint8_t>(x % 2 ? index & 0x0F : index << 4);
            else
                at[x] = index;
        }
        ++x;
    };
    std::size_t at = layout.pixelOffset;
    while (row < height) {
        if (end - at < 2)
            return false;
        const std::uint8_t count = static_cast<std::uint8_t>(bytes[at]);
        const std::uint8_t value = static_cast<std::uint8_t>(bytes[at + 1]);
        at += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i)
                put(nibbles ? (i % 2 ? value & 0x0F : value >> 4) : value);
        } else if (value == 0) {
            x = 0;
            ++row;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (end - at < 2)
                return false;
            x += static_cast<std::uint8_t>(bytes[at]);
            row += static_cast<std::uint8_t>(bytes[at + 1]);
            at += 2;
        } else {
            const std::size_t dataBytes = nibbles ? (value + 1u) / 2 : value;
            const std::size_t padded = (dataBytes + 1) & ~std::size_t{1};
            if (end - at < padded)
                return false;
            for (int i = 0; i < value; ++i) {
                const std::uint8_t byte =
                    static_cast<std::uint8_t>(bytes[at + (nibbles ? i / 2 : i)]);
                put(nibbles ? (i % 2 ? byte & 0x0F : byte >> 4) : byte);
            }
            at += padded;
        }
    }
    return true;
}

} // namespace

std::optional<SwDib> DecodeBmpData(std::string_view bytes, Expected expected) {
    BmpLayout layout;
    if (!ReadLayout(bytes, layout) || !Matches(layout, expected) || !DepthFitsCompression(layout))
        return std::nullopt;
    const std::int64_t height = layout.height < 0 ? -layout.height : layout.height;
    const int bitCount = layout.compression == kBitFields ? 24 : layout.bitCount;
    SwDib dib;
    if (!dib.Allocate(layout.width, height, bitCount))
        return std::nullopt;
    dib.header.xPelsPerMeter = layout.xPelsPerMeter;
    dib.header.yPelsPerMeter = layout.yPelsPerMeter;
    if (!ReadPalette(bytes, layout, dib))
        return std::nullopt;
    bool ok = false;
    switch (layout.compression) {
    case kRgb:
        ok = CopyRows(bytes, layout, dib);
        break;
    case kBitFields:
        ok = ConvertBitFields(bytes, layout, dib);
        break;
    default:
        ok = ExpandRunLengths(bytes, layout, dib);
        break;
    }
    if (!ok || !dib.PaletteIndicesInRange())
        return std::nullopt;
    return dib;
}

std::optional<SwDib> DecodeBmp(std::string_view path, Expected expected) {
    // The largest picture at 32 bits, with room for headers and a palette.
    constexpr std::int64_t kLimit = kMaxPicturePixels * 4 + (std::int64_t{1} << 20);
    std::string bytes;
    if (!ReadPictureFile(path, kLimit, bytes))
        return std::nullopt;
    return DecodeBmpData(bytes, expected);
}

} // namespace sw::imaging
