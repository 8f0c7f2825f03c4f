#include "imaging/Decoders.h"
#include "imaging/PictureFixtures.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>

using sw::imaging::DecodePictureFile;
using sw::imaging::Expected;

namespace {

class Decoders : public ::testing::Test {
protected:
    std::optional<SwDib> Decode(const std::string& name, const std::string& bytes,
                                Expected expected = {}) {
        return DecodePictureFile(temp.Write(name, bytes), expected);
    }
    TempFolder temp;
};

std::string Bytes(const SwDib& dib) {
    return std::string(dib.pixels.begin(), dib.pixels.end());
}

std::string RowOf(const SwDib& dib, int y) {
    return std::string(reinterpret_cast<const char*>(dib.Row(y)), dib.Stride());
}

void ExpectNear(const std::uint8_t* bgr, int blue, int green, int red) {
    EXPECT_NEAR(bgr[0], blue, 4);
    EXPECT_NEAR(bgr[1], green, 4);
    EXPECT_NEAR(bgr[2], red, 4);
}

} // namespace

TEST_F(Decoders, BmpKeepsDepthAndPaletteAndStoresRowsBottomUp) {
    auto one = Decode("one.bmp", MakeBmp({.width = 3,
                                          .height = 2,
                                          .bitCount = 1,
                                          .palette = {0x000000, 0xFF8000},
                                          .pixels = std::string("\xA0\0\0\0\x40\0\0\0", 8)}));
    ASSERT_TRUE(one);
    EXPECT_EQ(one->BitCount(), 1);
    EXPECT_EQ(one->header.clrUsed, 2u);
    EXPECT_EQ(one->palette[1], (SwRgbQuad{0x00, 0x80, 0xFF, 0}));
    EXPECT_EQ(RowOf(*one, 0), std::string("\x40\0\0\0", 4));

    auto four = Decode("four.bmp", MakeBmp({.width = 3,
                                            .height = -2,
                                            .bitCount = 4,
                                            .clrUsed = 3,
                                            .palette = {1, 2, 3},
                                            .pixels = std::string("\x01\x20\0\0\x22\x10\0\0", 8)}));
    ASSERT_TRUE(four);
    EXPECT_EQ(four->Height(), 2);
    EXPECT_EQ(four->palette.size(), 3u);
    EXPECT_EQ(Bytes(*four), std::string("\x22\x10\0\0\x01\x20\0\0", 8));

    // Red, green over blue, white: the same picture stored either way round.
    const std::string bottomUp("\xFF\0\0\xFF\xFF\xFF\0\0\0\0\xFF\0\xFF\0\0\0", 16);
    const std::string topDown = bottomUp.substr(8) + bottomUp.substr(0, 8);
    auto up = Decode("up.bmp", MakeBmp({.width = 2, .height = 2, .pixels = bottomUp}));
    auto down = Decode("down.bmp", MakeBmp({.width = 2, .height = -2, .pixels = topDown}));
    ASSERT_TRUE(up && down);
    EXPECT_EQ(Bytes(*up), bottomUp);
    EXPECT_EQ(Bytes(*down), bottomUp);
    EXPECT_EQ(down->header.sizeImage, 16u);

    // The old 12-byte core header with 3-byte palette entries.
    auto core = Decode("core.bmp", std::string("BM\0\0\0\0\0\0\0\0\x20\0\0\0"
                                               "\x0C\0\0\0\x02\0\x01\0\x01\0\x01\0"
                                               "\x10\x20\x30\x40\x50\x60\x01\0\0\0",
                                               36));
    ASSERT_TRUE(core);
    EXPECT_EQ(core->palette,
              (std::vector<SwRgbQuad>{{0x10, 0x20, 0x30, 0}, {0x40, 0x50, 0x60, 0}}));
    EXPECT_EQ(Bytes(*core), std::string("\x01\0\0\0", 4));
}

TEST_F(Decoders, BmpHonoursExpectedDepthAndSizeAndTheExtension) {
    const std::string bmp = MakeBmp(
        {.width = 1, .height = -1, .bitCount = 32, .pixels = std::string("\x01\x02\x03\x04", 4)});
    auto any = Decode("a.BMP", bmp);
    ASSERT_TRUE(any);
    EXPECT_EQ(any->BitCount(), 32);
    EXPECT_EQ(Bytes(*any), std::string("\x01\x02\x03\x04", 4));
    EXPECT_TRUE(Decode("b.bmp", bmp, {32, 1, 1}));
    EXPECT_FALSE(Decode("c.bmp", bmp, {24, -1, -1}));
    EXPECT_FALSE(Decode("d.bmp", bmp, {-1, 2, -1}));
    EXPECT_FALSE(Decode("e.bmp", bmp, {-1, -1, 2}));
    EXPECT_FALSE(Decode("a.jpeg", bmp));
    EXPECT_FALSE(Decode("a.png", bmp));
}

TEST_F(Decoders, BmpBitFieldsBecomeColourAndRunLengthsExpand) {
    auto fields =
        Decode("565.bmp", MakeBmp({.width = 4,
                                   .height = 1,
                                   .bitCount = 16,
                                   .compression = 3,
                                   .masks = {0xF800, 0x07E0, 0x001F},
                                   .pixels = std::string("\x00\xF8\xE0\x07\x1F\x00\x10\x84", 8)}));
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->BitCount(), 24);
    EXPECT_EQ(Bytes(*fields), std::string("\0\0\xFF\0\xFF\0\xFF\0\0\x84\x82\x84", 12));

    // Run of two, an absolute run reaching past the row, end of line, a move
    // right, one pixel, end of picture.
    auto rle8 = Decode("rle8.bmp", MakeBmp({.width = 4,
                                            .height = 2,
                                            .bitCount = 8,
                                            .compression = 1,
                                            .clrUsed = 3,
                                            .palette = {0, 0, 0},
                                            .pixels = std::string("\x02\x01\x00\x03\x02\x00\x01\x00"
                                                                  "\x00\x00\x00\x02\x01\x00\x01\x02"
                                                                  "\x00\x01",
                                                                  18)}));
    ASSERT_TRUE(rle8);
    EXPECT_EQ(rle8->BitCount(), 8);
    EXPECT_EQ(Bytes(*rle8), std::string("\x01\x01\x02\x00\x00\x02\x00\x00", 8));

    auto rle4 =
        Decode("rle4.bmp", MakeBmp({.width = 8,
                                    .height = 1,
                                    .bitCount = 4,
                                    .compression = 2,
                                    .palette = std::vector<std::uint32_t>(16),
                                    .pixels = std::string("\x03\x12\x00\x03\x34\x50\x00\x01", 8)}));
    ASSERT_TRUE(rle4);
    EXPECT_EQ(Bytes(*rle4), std::string("\x12\x13\x45\x00", 4));
}

TEST_F(Decoders, PngColourTypesBecomeBitmapRows) {
    // Colour rows top-down become blue-green-red rows bottom-up.
    auto rgb =
        Decode("rgb.png", MakePng({.width = 2,
                                   .height = 2,
                                   .rows = "\x0A\x14\x1E\x28\x32\x3C\x46\x50\x5A\x64\x6E\x78"}));
    ASSERT_TRUE(rgb);
    EXPECT_EQ(rgb->BitCount(), 24);
    EXPECT_EQ(Bytes(*rgb),
              std::string("\x5A\x50\x46\x78\x6E\x64\0\0\x1E\x14\x0A\x3C\x32\x28\0\0", 16));

    // Over black: half-transparent white is grey 128, transparent is black.
    const std::string rgba("\xFF\xFF\xFF\x80\x0A\x14\x1E\x00\x01\x02\x03\xFF", 12);
    const std::string composited("\x80\x80\x80\0\0\0\x03\x02\x01\0\0\0", 12);
    for (bool interlaced : {false, true}) {
        auto alpha = Decode("rgba.png", MakePng({.width = 3,
                                                 .height = 1,
                                                 .colourType = 6,
                                                 .interlaced = interlaced,
                                                 .rows = rgba}));
        ASSERT_TRUE(alpha);
        EXPECT_EQ(Bytes(*alpha), composited);
    }

    auto deep = Decode(
        "deep.png",
        MakePng({.width = 1, .height = 1, .bitDepth = 16, .rows = "\x12\x34\xAB\xCD\xFF\xFF"}));
    ASSERT_TRUE(deep);
    EXPECT_EQ(Bytes(*deep), std::string("\xFF\xAB\x12\0", 4));

    auto gray = Decode(
        "gray.png",
        MakePng({.width = 2, .height = 1, .colourType = 0, .rows = std::string("\x00\xC8", 2)}));
    ASSERT_TRUE(gray);
    EXPECT_EQ(gray->BitCount(), 24);
    EXPECT_EQ(Bytes(*gray), std::string("\0\0\0\xC8\xC8\xC8\0\0", 8));
    auto grayAlpha =
        Decode("ga.png", MakePng({.width = 1, .height = 1, .colourType = 4, .rows = "\xFF\x80"}));
    ASSERT_TRUE(grayAlpha);
    EXPECT_EQ(Bytes(*grayAlpha), std::string("\x80\x80\x80\0", 4));
    auto mono =
        Decode("mono.png",
               MakePng({.width = 3, .height = 1, .colourType = 0, .bitDepth = 1, .rows = "\xA0"}));
    ASSERT_TRUE(mono);
    EXPECT_EQ(Bytes(*mono), std::string("\xFF\xFF\xFF\0\0\0\xFF\xFF\xFF\0\0\0", 12));
}

TEST_F(Decoders, PngPalettesAndGamma) {
    auto eight = Decode("p8.png", MakePng({.width = 2,
                                           .height = 1,
                                           .colourType = 3,
                                           .palette = {0xFF0000, 0x00FF00},
                                           .paletteAlpha = {0},
                                           .rows = std::string("\x00\x01", 2)}));
    ASSERT_TRUE(eight);
    EXPECT_EQ(eight->BitCount(), 8);
    EXPECT_EQ(eight->header.clrUsed, 2u);
    EXPECT_EQ(eight->palette, (std::vector<SwRgbQuad>{{0, 0, 0, 0}, {0, 0xFF, 0, 0}}));
    EXPECT_EQ(Bytes(*eight), std::string("\x00\x01\0\0", 4));

    auto one = Decode("p1.png", MakePng({.width = 3,
                                         .height = 1,
                                         .colourType = 3,
                                         .bitDepth = 1,
                                         .palette = {0x000000, 0xFFFFFF},
                                         .rows = "\x40"}));
    ASSERT_TRUE(one);
    EXPECT_EQ(one->BitCount(), 1);
    EXPECT_EQ(Bytes(*one), std::string("\x40\0\0\0", 4));
    auto two = Decode("p2.png", MakePng({.width = 3,
                                         .height = 1,
                                         .colourType = 3,
                                         .bitDepth = 2,
                                         .palette = {1, 2, 3, 4},
                                         .rows = "\x1B"}));
    ASSERT_TRUE(two);
    EXPECT_EQ(two->BitCount(), 8);
    EXPECT_EQ(Bytes(*two), std::string("\x00\x01\x02\0", 4));

    // A linear file (gamma 1.0) is brightened for a 2.2 display; a file made
    // for such a display is left as it is.
    auto linear =
        Decode("lin.png", MakePng({.width = 1, .height = 1, .gamma = 1.0, .rows = "\x40\x40\x40"}));
    auto linearPalette = Decode("linp.png", MakePng({.width = 1,
                                                     .height = 1,
                                                     .colourType = 3,
                                                     .gamma = 1.0,
                                                     .palette = {0x404040},
                                                     .rows = std::string("\0", 1)}));
    auto display = Decode(
        "srgb.png", MakePng({.width = 1, .height = 1, .gamma = 1 / 2.2, .rows = "\x40\x40\x40"}));
    ASSERT_TRUE(linear && linearPalette && display);
    EXPECT_EQ(Bytes(*linear), std::string("\x88\x88\x88\0", 4));
    EXPECT_EQ(linearPalette->palette[0], (SwRgbQuad{0x88, 0x88, 0x88, 0}));
    EXPECT_EQ(Bytes(*display), std::string("\x40\x40\x40\0", 4));
}

TEST_F(Decoders, JpegColourAndGrayBecomePaddedColourRows) {
    std::string pixels;
    for (int i = 0; i < 3; ++i)
        pixels += std::string("\xFF\x00\x00", 3); // red top row
    for (int i = 0; i < 3; ++i)
        pixels += std::string("\x00\x00\xFF", 3); // blue bottom row
    for (bool progressive : {false, true}) {
        auto colour = Decode("c.jpg", MakeJpeg(3, 2, 3, pixels, progressive));
        ASSERT_TRUE(colour);
        EXPECT_EQ(colour->BitCount(), 24);
        EXPECT_EQ(colour->Stride(), 12);
        EXPECT_EQ(colour->header.sizeImage, 24u);
        for (int x = 0; x < 3; ++x) {
            ExpectNear(colour->Row(0) + 3 * x, 0, 0, 255);
            ExpectNear(colour->Row(1) + 3 * x, 255, 0, 0);
        }
        EXPECT_EQ(RowOf(*colour, 0).substr(9), std::string(3, '\0'));
        EXPECT_EQ(RowOf(*colour, 1).substr(9), std::string(3, '\0'));
    }
    auto gray = Decode("g.JPG", MakeJpeg(3, 1, 1, "\x32\x96\xFA"));
    ASSERT_TRUE(gray);
    EXPECT_EQ(gray->BitCount(), 24);
    ExpectNear(gray->Row(0), 0x32, 0x32, 0x32);
    ExpectNear(gray->Row(0) + 3, 0x96, 0x96, 0x96);
    ExpectNear(gray->Row(0) + 6, 0xFA, 0xFA, 0xFA);
}
