#pragma once

// Small pictures made by hand (BMP) or by the libraries themselves (PNG, JPEG).

#include <cstdint>
#include <string>
#include <vector>

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

// `pixels` are top-down rows of `components` (1 or 3) bytes a pixel.
std::string MakeJpeg(int width, int height, int components, const std::string& pixels,
                     bool progressive = false);

// 32-bit little-endian and big-endian fields for forging headers.
void PutLe32(std::string& bytes, std::size_t at, std::uint32_t value);
void PutBe32(std::string& bytes, std::size_t at, std::uint32_t value);
