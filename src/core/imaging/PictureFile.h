#pragma once

// Opening picture files for the decoders.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace sw::imaging {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The regular file at the CP932 `path` opened for binary reading; null for
// anything else (a folder or a pipe would block or fail part-way).
FilePtr OpenPictureFile(std::string_view path);

// A stream over `bytes`, which must outlive it; null for no bytes.
FilePtr OpenPictureData(std::string_view bytes);

// The whole file, or false when it cannot be read or is larger than `limit`.
bool ReadPictureFile(std::string_view path, std::int64_t limit, std::string& contents);

} // namespace sw::imaging
