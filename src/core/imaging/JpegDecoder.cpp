#include "imaging/Decoders.h"
#include "imaging/PictureFile.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#ifndef JCS_EXTENSIONS
#error "libjpeg-turbo is needed for blue-green-red output"
#endif

namespace sw::imaging {
namespace {

// Progressive files may carry any number of scans, each a pass over the
// whole picture; real ones have about ten.
constexpr int kMaxScans = 500;

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void OnFatal(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

// Warnings are not shown, but a file that ends early is refused rather than
// shown with its missing part grey.
void OnMessage(j_common_ptr info, int level) {
    if (level < 0) {
        ++info->err->num_warnings;
        if (info->err->msg_code == JWRN_JPEG_EOF)
            OnFatal(info);
    }
}

void OnOutput(j_common_ptr) {}

void OnProgress(j_common_ptr info) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaxScans)
        OnFatal(info);
}

struct JpegRead {
    jpeg_decompress_struct decompress;
    JpegError error;
    jpeg_progress_mgr progress;
    SwDib dib;
    std::vector<JSAMPROW> rows;
};

// Nothing with a destructor may be created in here: libjpeg leaves by longjmp.
bool ReadJpeg(JpegRead& read, std::FILE* file) {
    jpeg_decompress_struct& info = read.decompress;
    info.err = jpeg_std_error(&read.error.manager);
    read.error.manager.error_exit = OnFatal;
    read.error.manager.emit_message = OnMessage;
    read.error.manager.output_message = OnOutput;
    if (setjmp(read.error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    read.progress.progress_monitor = OnProgress;
    info.progress = &read.progress;
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    if (std::int64_t{info.image_width} * info.image_height > kMaxPicturePixels) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    // Grayscale files are widened to colour by the library.
    info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    const JDIMENSION height = info.output_height;
    if (info.output_components != 3 || !read.dib.Allocate(info.output_width, height, 24)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    read.rows.resize(height);
    for (JDIMENSION y = 0; y < height; ++y)
        read.rows[y] = read.dib.Row(static_cast<int>(y));
    while (info.output_scanline < height) {
        if (jpeg_read_scanlines(&info, read.rows.data() + info.output_scanline,
                                height - info.output_scanline) == 0) {
            jpeg_destroy_decompress(&info);
            return false;
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

std::optional<SwDib> DecodeJpeg(std::string_view path) {
    FilePtr file = OpenPictureFile(path);
    JpegRead read{};
    if (!file || !ReadJpeg(read, file.get()))
        return std::nullopt;
    return std::move(read.dib);
}

std::optional<SwDib> DecodeJpegData(std::string_view bytes) {
    FilePtr file = OpenPictureData(bytes);
    JpegRead read{};
    if (!file || !ReadJpeg(read, file.get()))
        return std::nullopt;
    return std::move(read.dib);
}

} // namespace sw::imaging
