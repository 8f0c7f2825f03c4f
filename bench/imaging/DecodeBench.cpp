// Decodes a 1920x1080 PNG and JPEG with the preview decoders and with the bare
// libraries into plain memory, and prints the best time of each and the ratio.

#include "imaging/Decoders.h"
#include "imaging/PictureFixtures.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kRounds = 25;

double Seconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double Time(const std::function<bool()>& decode) {
    const double start = Seconds();
    if (!decode()) {
        std::fprintf(stderr, "decoding failed\n");
        std::exit(1);
    }
    return Seconds() - start;
}

// The best of several rounds, the two decoders taking turns so that a busy
// moment of the machine falls on both alike.
void Compare(const char* what, const std::function<bool()>& ours,
             const std::function<bool()>& bare) {
    double bestOurs = 1e9, bestBare = 1e9;
    for (int i = 0; i < kRounds; ++i) {
        bestOurs = std::min(bestOurs, Time(ours));
        bestBare = std::min(bestBare, Time(bare));
    }
    std::printf("%-5s ours %7.2f ms  bare library %7.2f ms  ratio %.2f\n", what, bestOurs * 1e3,
                bestBare * 1e3, bestOurs / bestBare);
}

// A photograph-like mix of gradients and fine detail.
std::string Scene() {
    std::string rgb(std::size_t{kWidth} * kHeight * 3, '\0');
    unsigned noise = 1;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            noise = noise * 1103515245 + 12345;
            char* at = rgb.data() + (std::size_t{static_cast<unsigned>(y)} * kWidth + x) * 3;
            at[0] = static_cast<char>(x * 255 / kWidth + (noise >> 28));
            at[1] = static_cast<char>(y * 255 / kHeight);
            at[2] = static_cast<char>(((x / 16 + y / 16) % 2) * 128 + (noise >> 27));
        }
    }
    return rgb;
}

bool BarePng(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_byte> pixels;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    png_read_update_info(png, info);
    const png_size_t rowBytes = png_get_rowbytes(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    pixels.resize(rowBytes * height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows.push_back(pixels.data() + y * rowBytes);
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return true;
}

bool BareJpeg(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    jpeg_decompress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    const std::size_t rowBytes = std::size_t{info.output_width} * info.output_components;
    std::vector<JSAMPLE> pixels(rowBytes * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels.data() + info.output_scanline * rowBytes;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return true;
}

} // namespace

int main() {
    char folder[] = "/tmp/scenewright-bench-XXXXXX";
    if (!::mkdtemp(folder))
        return 1;
    const std::string png = std::string(folder) + "/scene.png";
    const std::string jpeg = std::string(folder) + "/scene.jpg";
    const std::string rgb = Scene();
    std::ofstream(png, std::ios::binary)
        << MakePng({.width = kWidth, .height = kHeight, .rows = rgb});
    std::ofstream(jpeg, std::ios::binary) << MakeJpeg(kWidth, kHeight, 3, rgb);

    Compare(
        "PNG", [&] { return sw::imaging::DecodePng(png).has_value(); },
        [&] { return BarePng(png); });
    Compare(
        "JPEG", [&] { return sw::imaging::DecodeJpeg(jpeg).has_value(); },
        [&] { return BareJpeg(jpeg); });
    ::unlink(png.c_str());
    ::unlink(jpeg.c_str());
    ::rmdir(folder);
    return 0;
}
