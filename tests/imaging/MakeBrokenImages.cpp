// Writes the corpus of broken pictures (tests/data/broken-images) into the
// folder given as the only argument. Every file it makes must be refused.

#include "imaging/PictureFixtures.h"

#include <jpeglib.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

std::string g_folder;

void Save(const std::string& name, const std::string& bytes) {
    std::ofstream(g_folder + "/" + name, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Patched(std::string bytes, std::size_t at, std::uint32_t value) {
    PutLe32(bytes, at, value);
    return bytes;
}

std::string Patched16(std::string bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
    return bytes;
}

// Offset of the first chunk of `type` in a PNG (at its length field).
std::size_t FindChunk(const std::string& png, const char* type) {
    return png.find(type) - 4;
}

// Rewrites the CRC of the chunk at `at` after its data was changed.
std::string WithCrc(std::string png, std::size_t at) {
    const std::uint32_t length =
        static_cast<std::uint8_t>(png[at]) << 24 | static_cast<std::uint8_t>(png[at + 1]) << 16 |
        static_cast<std::uint8_t>(png[at + 2]) << 8 | static_cast<std::uint8_t>(png[at + 3]);
    const auto* data = reinterpret_cast<const Bytef*>(png.data() + at + 4);
    PutBe32(png, at + 8 + length, static_cast<std::uint32_t>(crc32(0, data, length + 4)));
    return png;
}

std::string WithIhdr(const std::string& png, std::size_t field, std::uint32_t value) {
    std::string out = png;
    PutBe32(out, 16 + field, value);
    return WithCrc(out, 8);
}

// Big-endian 16-bit frame size fields after the baseline frame marker.
std::string WithFrameSize(std::string jpeg, std::uint16_t width, std::uint16_t height) {
    const std::size_t sof = jpeg.find("\xFF\xC0");
    jpeg[sof + 5] = static_cast<char>(height >> 8);
    jpeg[sof + 6] = static_cast<char>(height & 0xFF);
    jpeg[sof + 7] = static_cast<char>(width >> 8);
    jpeg[sof + 8] = static_cast<char>(width & 0xFF);
    return jpeg;
}

// A progressive gray picture that refines every coefficient bit by bit: valid,
// but 694 scans long.
std::string ManyScansJpeg() {
    static jpeg_scan_info scans[1 + 63 * 11];
    int n = 0;
    scans[n++] = {1, {0}, 0, 0, 0, 0};
    for (int k = 1; k <= 63; ++k) {
        scans[n++] = {1, {0}, k, k, 0, 10};
        for (int bit = 10; bit > 0; --bit)
            scans[n++] = {1, {0}, k, k, bit, bit - 1};
    }
    std::string ramp;
    for (int y = 0; y < 8; ++y)
        ramp += std::string("\x00\x1e\x3c\x5a\x78\x96\xb4\xd2", 8);
    return EncodeJpeg(8, 8, 1, JCS_GRAYSCALE, ramp, [n](jpeg_compress_struct& info) {
        info.scan_info = scans;
        info.num_scans = n;
    });
}

std::string CmykJpeg() {
    return EncodeJpeg(2, 1, 4, JCS_CMYK, std::string("\x00\xff\xff\x00\xff\x00\xff\x00", 8));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s folder\n", argv[0]);
        return 2;
    }
    g_folder = argv[1];

    // BMP: an 8-bit picture of 4 by 2 with four colours, and a 24-bit one.
    const std::string indexed = MakeBmp({.width = 4,
                                         .height = 2,
                                         .bitCount = 8,
                                         .clrUsed = 4,
                                         .palette = {0, 0xFF, 0xFF00, 0xFF0000},
                                         .pixels = std::string("\0\1\2\3\3\2\1\0", 8)});
    const std::string colour = MakeBmp({.width = 4, .height = 2, .pixels = std::string(24, 'x')});
    Save("empty.bmp", "");
    Save("not-bitmap.bmp", "BZ" + colour.substr(2));
    Save("truncated-header.bmp", colour.substr(0, 20));
    Save("truncated-palette.bmp", indexed.substr(0, 60));
    Save("truncated-pixels.bmp", colour.substr(0, colour.size() - 3));
    Save("negative-width.bmp", Patched(colour, 18, static_cast<std::uint32_t>(-4)));
    Save("zero-height.bmp", Patched(colour, 22, 0));
    Save("lowest-height.bmp", Patched(colour, 22, 0x80000000));
    Save("huge-size.bmp", Patched(Patched(colour, 18, 100000), 22, 100000));
    Save("just-over-cap.bmp", Patched(Patched(colour, 18, 8193), 22, 4096));
    Save("unknown-bit-count.bmp", Patched16(colour, 28, 7));
    Save("zero-bit-count.bmp", Patched16(colour, 28, 0));
    Save("embedded-jpeg.bmp", Patched(colour, 30, 4));
    Save("unknown-header-size.bmp", Patched(colour, 14, 20));
    Save("huge-header-size.bmp", Patched(colour, 14, 0xFFFFFFF0));
    Save("pixel-offset-past-end.bmp", Patched(colour, 10, 0x7FFFFFFF));
    Save("pixel-offset-in-header.bmp", Patched(colour, 10, 20));
    Save("palette-past-end.bmp", Patched(indexed, 46, 256));
    Save("palette-index-out-of-range.bmp", Patched(indexed, 46, 3));
    Save("bitfields-without-masks.bmp", Patched(Patched16(colour.substr(0, 54), 28, 32), 30, 3));
    Save("bitfields-scattered-mask.bmp", MakeBmp({.width = 1,
                                                  .height = 1,
                                                  .bitCount = 16,
                                                  .compression = 3,
                                                  .masks = {0xF0F0, 0x0F00, 0x000F},
                                                  .pixels = std::string(4, '\0')}));
    const BmpSpec rle{.width = 4,
                      .height = 2,
                      .bitCount = 8,
                      .compression = 1,
                      .clrUsed = 2,
                      .palette = {0, 0xFFFFFF},
                      .pixels = std::string("\x04\x01\0\0\x04\x01\0\1", 8)};
    BmpSpec rleTopDown = rle;
    rleTopDown.height = -2;
    BmpSpec rleIndex = rle;
    rleIndex.pixels[1] = 9;
    Save("rle-top-down.bmp", MakeBmp(rleTopDown));
    Save("rle-truncated.bmp", MakeBmp(rle).substr(0, MakeBmp(rle).size() - 4));
    Save("rle-index-out-of-range.bmp", MakeBmp(rleIndex));
    Save("rle4-as-8-bits.bmp", Patched(MakeBmp(rle), 30, 2));

    // PNG: a colour picture of 4 by 4 and a paletted one.
    const std::string png = MakePng({.width = 4, .height = 4, .rows = std::string(48, '\x40')});
    const std::string paletted = MakePng({.width = 4,
                                          .height = 1,
                                          .colourType = 3,
                                          .palette = {0, 0xFFFFFF},
                                          .rows = std::string("\0\1\0\1", 4)});
    const std::size_t idat = FindChunk(png, "IDAT");
    const std::size_t iend = FindChunk(png, "IEND");
    Save("signature-only.png", png.substr(0, 8));
    Save("truncated-header.png", png.substr(0, 20));
    Save("truncated-image-data.png", png.substr(0, idat + 12));
    Save("missing-end.png", png.substr(0, iend));
    std::string badCrc = png;
    badCrc[29] ^= 1;
    Save("header-checksum-wrong.png", badCrc);
    Save("huge-size.png", WithIhdr(WithIhdr(png, 0, 100000), 4, 100000));
    Save("just-over-cap.png", WithIhdr(WithIhdr(png, 0, 8193), 4, 4096));
    Save("zero-width.png", WithIhdr(png, 0, 0));
    std::string badDepth = png;
    badDepth[24] = 3;
    Save("unknown-bit-depth.png", WithCrc(badDepth, 8));
    std::string badType = png;
    badType[25] = 5;
    Save("unknown-colour-type.png", WithCrc(badType, 8));
    std::string scrambled = png;
    for (std::size_t i = idat + 10; i < idat + 20; ++i)
        scrambled[i] = static_cast<char>(0xA5 ^ i);
    Save("corrupt-deflate.png", WithCrc(scrambled, idat));
    const std::size_t plte = FindChunk(paletted, "PLTE");
    Save("palette-missing.png", paletted.substr(0, plte) + paletted.substr(plte + 12 + 6));
    Save("palette-index-out-of-range.png", MakePng({.width = 4,
                                                    .height = 1,
                                                    .colourType = 3,
                                                    .palette = {0, 0xFFFFFF},
                                                    .rows = std::string("\0\1\7\1", 4)}));
    // Sound, but one column over the pixel cap.
    Save("over-cap.png", MakePng({.width = 8193,
                                  .height = 4096,
                                  .colourType = 3,
                                  .bitDepth = 1,
                                  .palette = {0, 0xFFFFFF},
                                  .rows = std::string(1025 * 4096, '\0')}));
    Save("jpeg-named-png.png", MakeJpeg(8, 8, 3, std::string(192, 'x')));

    // JPEG: a colour picture of 16 by 16.
    const std::string jpeg = MakeJpeg(16, 16, 3, std::string(768, '\x60'));
    Save("soi-only.jpg", jpeg.substr(0, 2));
    Save("truncated-header.jpg", jpeg.substr(0, 100));
    Save("truncated-scan.jpg", jpeg.substr(0, jpeg.size() - 40));
    Save("missing-end.jpg", jpeg.substr(0, jpeg.size() - 2));
    Save("huge-size.jpg", WithFrameSize(jpeg, 65000, 65000));
    Save("zero-width.jpg", WithFrameSize(jpeg, 0, 16));
    Save("garbage-after-soi.jpg", jpeg.substr(0, 2) + std::string(64, '\x5A'));
    Save("too-many-scans.jpg", ManyScansJpeg());
    Save("cmyk.jpg", CmykJpeg());
    Save("png-named-jpg.jpg", png);
    return 0;
}
