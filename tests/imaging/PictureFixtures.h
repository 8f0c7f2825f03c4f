#pragma once

// Small pictures made by hand (BMP) or by the libraries themselves (PNG, JPEG).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct jpeg_compress_struct;

struct BmpSpec {
    int width = 0;
    int height = 0; // negative: rows top-down
    int bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t clrUsed = 0;
    std::vector<std::uint32_t> palette{}; // 0xRRGGBB
    std::vector<std::uint32_t> masks{};   // red, green, blue
    std::string pixels{};                 // as stored in the file
};
std::string MakeBmp(const BmpSpec& layout);

struct PngSpec {
    int width = 0;
    int height = 0;
    int colourType = 2; // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    bool interlaced = false;
    double gamma = 0;                     // written as gAMA when not 0
    std::vector<std::uint32_t> palette{}; // 0xRRGGBB
    std::vector<std::uint8_t> paletteAlpha{};
    std::string rows{}; // packed rows top-down, as the PNG holds them
};
std::string MakePng(const PngSpec& layout);

// `pixels` are top-down rows of `components` bytes a pixel; `colourSpace` is
// a J_COLOR_SPACE. `configure` runs after the defaults are set.
std::string EncodeJpeg(int width, int height, int components, int colourSpace,
                       const std::string& pixels,
                       const std::function<void(jpeg_compress_struct&)>& configure = {});
// Exact colours (quality 100, no subsampling), 1 or 3 components.
std::string MakeJpeg(int width, int height, int components, const std::string& pixels,
                     bool progressive = false);

// 32-bit little-endian and big-endian fields for forging headers.
void PutLe32(std::string& bytes, std::size_t at, std::uint32_t value);
void PutBe32(std::string& bytes, std::size_t at, std::uint32_t value);
