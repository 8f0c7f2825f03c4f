#include "imaging/PictureFixtures.h"

#include <jpeglib.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>

namespace {

void Le(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(value >> (8 * i) & 0xFF);
}

void AppendPng(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}

} // namespace

void PutLe32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

void PutBe32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (24 - 8 * i) & 0xFF);
}

std::string MakeBmp(const BmpSpec& layout) {
    const bool trailingMasks = !layout.masks.empty();
    const std::uint32_t offset = 14 + 40 + (trailingMasks ? 12 : 0) + 4 * layout.palette.size();
    std::string out = "BM";
    Le(out, offset + layout.pixels.size(), 4);
    Le(out, 0, 4);
    Le(out, offset, 4);
    Le(out, 40, 4);
    Le(out, layout.width, 4);
    Le(out, layout.height, 4);
    Le(out, 1, 2);
    Le(out, layout.bitCount, 2);
    Le(out, layout.compression, 4);
    Le(out, layout.pixels.size(), 4);
    Le(out, 2835, 4);
    Le(out, 2835, 4);
    Le(out, layout.clrUsed, 4);
    Le(out, 0, 4);
    for (std::uint32_t mask : layout.masks)
        Le(out, mask, 4);
    for (std::uint32_t rgb : layout.palette)
        Le(out, rgb, 4); // little-endian 0x00RRGGBB is blue, green, red, 0
    return out + layout.pixels;
}

std::string MakePng(const PngSpec& layout) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)))
        std::abort();
    png_set_write_fn(png, &out, AppendPng, nullptr);
    png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colourType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (std::uint32_t rgb : layout.palette)
        palette.push_back({png_byte(rgb >> 16), png_byte(rgb >> 8), png_byte(rgb)});
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!layout.paletteAlpha.empty())
        png_set_tRNS(png, info, layout.paletteAlpha.data(),
                     static_cast<int>(layout.paletteAlpha.size()), nullptr);
    if (layout.gamma != 0)
        png_set_gAMA(png, info, layout.gamma);
    png_set_check_for_invalid_index(png, 0); // let broken pictures be written
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    const std::size_t rowBytes = layout.rows.size() / layout.height;
    for (int y = 0; y < layout.height; ++y)
        rows.push_back(reinterpret_cast<png_bytep>(const_cast<char*>(layout.rows.data())) +
                       y * rowBytes);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::string EncodeJpeg(int width, int height, int components, int colourSpace,
                       const std::string& pixels,
                       const std::function<void(jpeg_compress_struct&)>& configure) {
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = components;
    info.in_color_space = static_cast<J_COLOR_SPACE>(colourSpace);
    jpeg_set_defaults(&info);
    if (configure)
        configure(info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<char*>(pixels.data())) +
                       info.next_scanline * width * components;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string out(reinterpret_cast<char*>(buffer), size);
    std::free(buffer);
    return out;
}

std::string MakeJpeg(int width, int height, int components, const std::string& pixels,
                     bool progressive) {
    return EncodeJpeg(width, height, components, components == 1 ? JCS_GRAYSCALE : JCS_RGB, pixels,
                      [progressive](jpeg_compress_struct& info) {
                          jpeg_set_quality(&info, 100, TRUE);
                          // No chroma subsampling: colours stay exact.
                          info.comp_info[0].h_samp_factor = 1;
                          info.comp_info[0].v_samp_factor = 1;
                          if (progressive)
                              jpeg_simple_progression(&info);
                      });
}
