#include "imaging/PictureFile.h"

#include "imaging/Decoders.h"
#include "platform/Files.h"
#include "platform/Paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sw::imaging {

FilePtr OpenPictureFile(std::string_view path) {
    std::string native;
    if (path.empty() || !files::ToNativePath(path, native))
        return nullptr;
    // Non-blocking, so that a pipe under a picture's name cannot hang the open.
    int fd = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file)
        ::close(fd);
    return FilePtr(file);
}

FilePtr OpenPictureData(std::string_view bytes) {
    if (bytes.empty())
        return nullptr;
    return FilePtr(::fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb"));
}

bool ReadPictureFile(std::string_view path, std::int64_t limit, std::string& contents) {
    contents.clear();
    FilePtr file = OpenPictureFile(path);
    if (!file)
        return false;
    struct stat info;
    if (::fstat(::fileno(file.get()), &info) != 0 || info.st_size > limit)
        return false;
    contents.resize(static_cast<std::size_t>(info.st_size));
    if (std::fread(contents.data(), 1, contents.size(), file.get()) != contents.size())
        return false;
    return true;
}

namespace {

bool EqualsIgnoringCase(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i])
            return false;
    }
    return true;
}

} // namespace

// Picture plug-ins (a Windows module per extension, asked for "00IN" through
// GetPluginInfo and decoding through GetPicture) are not consulted: such
// modules cannot be loaded here and nothing in the program ever registers one.
std::optional<SwDib> DecodePictureFile(std::string_view path, Expected expected) {
    if (path.size() < 4)
        return std::nullopt;
    const std::string extension = paths::ExtensionOf(path);
    if (EqualsIgnoringCase(extension, ".bmp"))
        return DecodeBmp(path, expected);
    if (EqualsIgnoringCase(extension, ".png"))
        return DecodePng(path);
    if (EqualsIgnoringCase(extension, ".jpg"))
        return DecodeJpeg(path);
    return std::nullopt;
}

} // namespace sw::imaging
