#include "imaging/Decoders.h"
#include "imaging/PictureFile.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <vector>

namespace sw::imaging {
namespace {

// Storage the decode fills; it lives outside the function that libpng may
// leave by longjmp, so nothing in it is skipped on the way out.
constexpr double kDisplayGamma = 2.2;

struct PngRead {
    SwDib dib;
    std::vector<png_bytep> rows;
    std::vector<png_byte> bgra; // four-channel rows before compositing
};

[[noreturn]] void OnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Alpha over black, rounded as 255ths: t = v * a + 128, ((t >> 8) + t) >> 8.
std::uint8_t OverBlack(unsigned value, unsigned alpha) {
    if (alpha == 255)
        return static_cast<std::uint8_t>(value);
    if (alpha == 0)
        return 0;
    const unsigned t = (value * alpha + 128) & 0xFFFF;
    return static_cast<std::uint8_t>(((t >> 8) + t) >> 8);
}

void CompositeRow(const png_byte* bgra, std::uint8_t* out, png_uint_32 width) {
    for (png_uint_32 x = 0; x < width; ++x, bgra += 4, out += 3) {
        out[0] = OverBlack(bgra[0], bgra[3]);
        out[1] = OverBlack(bgra[1], bgra[3]);
        out[2] = OverBlack(bgra[2], bgra[3]);
    }
}

// The exponent that corrects a file of `fileGamma` for a display of 2.2, or 0
// where that makes no visible difference.
double GammaCorrection(double fileGamma) {
    const double product = fileGamma * kDisplayGamma;
    return product <= 0 || (product > 0.95 && product < 1.05) ? 0 : 1 / product;
}

// The palette in bitmap order, gamma-corrected like the pixels of other
// pictures (libpng leaves the stored palette alone); entries the file marks
// transparent are put over black like pixels with an alpha channel.
bool TakePalette(png_structp png, png_infop info, double correction, SwDib& dib) {
    png_colorp colours = nullptr;
    int count = 0;
    if (!png_get_PLTE(png, info, &colours, &count) || count < 1)
        return false;
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    if (!png_get_tRNS(png, info, &alpha, &alphaCount, nullptr))
        alphaCount = 0;
    const int entries = std::min(count, 1 << dib.BitCount());
    std::uint8_t table[256];
    for (int v = 0; v < 256; ++v)
        table[v] = correction == 0 ? static_cast<std::uint8_t>(v)
                                   : static_cast<std::uint8_t>(
                                         std::floor(255 * std::pow(v / 255.0, correction) + 0.5));
    dib.palette.resize(static_cast<std::size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        const unsigned a = i < alphaCount ? alpha[i] : 255;
        dib.palette[i].red = OverBlack(table[colours[i].red], a);
        dib.palette[i].green = OverBlack(table[colours[i].green], a);
        dib.palette[i].blue = OverBlack(table[colours[i].blue], a);
    }
    dib.header.clrUsed = static_cast<std::uint32_t>(entries);
    return true;
}

// Nothing with a destructor may be created in here: libpng leaves by longjmp.
bool ReadPng(png_structp png, png_infop info, std::FILE* file, PngRead& read) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, kMaxPicturePixels, kMaxPicturePixels);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colourType = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, nullptr, nullptr, nullptr);
    if (std::int64_t{width} * height > kMaxPicturePixels)
        return false;
    const bool paletted = colourType == PNG_COLOR_TYPE_PALETTE;
    if (bitDepth == 16)
        png_set_strip_16(png);
    if (paletted) {
        if (bitDepth == 2) // no bitmap has 2 bits a pixel
            png_set_packing(png);
    } else {
        if (!(colourType & PNG_COLOR_MASK_COLOR)) {
            png_set_expand_gray_1_2_4_to_8(png);
            png_set_gray_to_rgb(png);
        }
        if (png_get_valid(png, info, PNG_INFO_tRNS))
            png_set_tRNS_to_alpha(png);
        png_set_bgr(png);
    }
    double fileGamma = 0;
    const double correction = png_get_gAMA(png, info, &fileGamma) ? GammaCorrection(fileGamma) : 0;
    if (correction != 0 && !paletted)
        png_set_gamma(png, kDisplayGamma, fileGamma);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const int channels = png_get_channels(png, info);
    const int outDepth = png_get_bit_depth(png, info);
    if (!read.dib.Allocate(width, height, paletted ? outDepth : 24))
        return false;
    const png_size_t rowBytes = png_get_rowbytes(png, info);
    if (paletted ? channels != 1 || !TakePalette(png, info, correction, read.dib)
                 : (channels != 3 && channels != 4) || outDepth != 8)
        return false;
    if (rowBytes > (channels == 4 ? width * png_size_t{4} : png_size_t(read.dib.Stride())))
        return false;

    if (channels != 4) {
        read.rows.resize(height);
        for (png_uint_32 y = 0; y < height; ++y)
            read.rows[y] = read.dib.Row(static_cast<int>(y));
        png_read_image(png, read.rows.data());
    } else if (passes == 1) {
        read.bgra.resize(rowBytes);
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, read.bgra.data(), nullptr);
            CompositeRow(read.bgra.data(), read.dib.Row(static_cast<int>(y)), width);
        }
    } else {
        // Interlaced passes revisit every row: the whole picture comes first.
        read.bgra.resize(rowBytes * height);
        read.rows.resize(height);
        for (png_uint_32 y = 0; y < height; ++y)
            read.rows[y] = read.bgra.data() + y * rowBytes;
        png_read_image(png, read.rows.data());
        for (png_uint_32 y = 0; y < height; ++y)
            CompositeRow(read.rows[y], read.dib.Row(static_cast<int>(y)), width);
    }
    png_read_end(png, nullptr);
    return true;
}

} // namespace

namespace {

std::optional<SwDib> DecodePngStream(std::FILE* file) {
    if (!file)
        return std::nullopt;
    png_byte signature[8];
    if (std::fread(signature, 1, sizeof signature, file) != sizeof signature ||
        png_sig_cmp(signature, 0, sizeof signature) != 0)
        return std::nullopt;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!png)
        return std::nullopt;
    png_infop info = png_create_info_struct(png);
    PngRead read;
    const bool ok = info && ReadPng(png, info, file, read);
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    if (!ok || !read.dib.PaletteIndicesInRange())
        return std::nullopt;
    return std::move(read.dib);
}

} // namespace

std::optional<SwDib> DecodePng(std::string_view path) {
    return DecodePngStream(OpenPictureFile(path).get());
}

std::optional<SwDib> DecodePngData(std::string_view bytes) {
    return DecodePngStream(OpenPictureData(bytes).get());
}

} // namespace sw::imaging
