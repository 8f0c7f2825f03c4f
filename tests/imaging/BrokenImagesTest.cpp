#include "imaging/Decoders.h"
#include "imaging/PictureFixtures.h"
#include "imaging/PictureList.h"
#include "platform/Files.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

using sw::imaging::DecodePictureFile;

namespace {

std::optional<SwDib> DecodeData(const std::string& name, std::string_view bytes) {
    if (name.ends_with(".bmp"))
        return sw::imaging::DecodeBmpData(bytes);
    if (name.ends_with(".png"))
        return sw::imaging::DecodePngData(bytes);
    return sw::imaging::DecodeJpegData(bytes);
}

} // namespace

namespace {

// What any decoded picture must hold, whatever the input was.
void ExpectConsistent(const SwDib& dib) {
    ASSERT_GT(dib.Width(), 0);
    ASSERT_GT(dib.Height(), 0);
    EXPECT_LE(std::int64_t{dib.Width()} * dib.Height(), sw::imaging::kMaxPicturePixels);
    EXPECT_EQ(dib.pixels.size(), std::size_t(dib.Stride()) * dib.Height());
    EXPECT_EQ(dib.header.sizeImage, dib.pixels.size());
    EXPECT_EQ(dib.palette.size(), dib.BitCount() <= 8 ? dib.header.clrUsed : 0u);
    EXPECT_TRUE(dib.PaletteIndicesInRange());
}

struct Sample {
    std::string name;
    std::string bytes;
};

std::vector<Sample> ValidSamples() {
    std::string gradient;
    for (int i = 0; i < 16 * 16 * 3; ++i)
        gradient += static_cast<char>(i * 7);
    return {
        {"indexed.bmp",
         MakeBmp({.width = 5,
                  .height = 3,
                  .bitCount = 4,
                  .clrUsed = 6,
                  .palette = {1, 2, 3, 4, 5, 6},
                  .pixels = std::string("\x01\x23\x40\0\x55\x55\x50\0\x01\x01\x00\0", 12)})},
        {"rle.bmp", MakeBmp({.width = 6,
                             .height = 2,
                             .bitCount = 8,
                             .compression = 1,
                             .clrUsed = 3,
                             .palette = {1, 2, 3},
                             .pixels = std::string("\x03\x01\x00\x03\x02\x01\x02\x00\x00\x00"
                                                   "\x00\x02\x02\x00\x02\x02\x00\x01",
                                                   18)})},
        {"colour.png", MakePng({.width = 16, .height = 16, .rows = gradient})},
        {"alpha.png", MakePng({.width = 8,
                               .height = 8,
                               .colourType = 6,
                               .interlaced = true,
                               .rows = gradient.substr(0, 256)})},
        {"paletted.png", MakePng({.width = 16,
                                  .height = 4,
                                  .colourType = 3,
                                  .bitDepth = 4,
                                  .palette = {0, 0xFF, 0xFF00, 0xFF0000},
                                  .rows = std::string(32, '\x12')})},
        {"colour.jpg", MakeJpeg(16, 16, 3, gradient)},
        {"progressive.jpg", MakeJpeg(16, 16, 3, gradient, true)},
    };
}

} // namespace

TEST(BrokenImages, EveryFileOfTheCorpusIsRefused) {
    const std::string folder = SW_TEST_DATA_DIR "/broken-images";
    std::vector<std::string> names;
    for (const char* pattern : {"*.bmp", "*.png", "*.jpg"})
        for (const std::string& name : sw::files::FindFiles(folder, pattern))
            names.push_back(name);
    ASSERT_GE(names.size(), 45u);
    CPictureList list;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string path = folder + "/" + name;
        EXPECT_FALSE(DecodePictureFile(path));
        EXPECT_FALSE(list.Add("sample", path, -1, -1, 0));
    }
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(BrokenImages, EveryTruncationIsRefusedAndDamagedBytesNeverBreakAPicture) {
    TempFolder temp;
    for (const Sample& sample : ValidSamples()) {
        SCOPED_TRACE(sample.name);
        auto whole = DecodePictureFile(temp.Write(sample.name, sample.bytes));
        auto inMemory = DecodeData(sample.name, sample.bytes);
        ASSERT_TRUE(whole && inMemory);
        EXPECT_EQ(whole->pixels, inMemory->pixels);
        ExpectConsistent(*whole);
        for (std::size_t length = 0; length < sample.bytes.size(); ++length) {
            if (DecodeData(sample.name, std::string_view(sample.bytes).substr(0, length)))
                ADD_FAILURE() << "a prefix of " << length << " bytes was decoded";
        }
        // Each byte in turn replaced by values that push fields to their limits.
        for (std::size_t at = 0; at < sample.bytes.size(); ++at) {
            for (char value : {'\0', '\x7F', '\x80', '\xFF'}) {
                std::string damaged = sample.bytes;
                damaged[at] = value;
                if (auto dib = DecodeData(sample.name, damaged))
                    ExpectConsistent(*dib);
            }
        }
    }
}
