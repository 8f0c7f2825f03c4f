#include "support/TempFolder.h"

#include "platform/Files.h"
#include "platform/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

TempFolder::TempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "scenewright-test-XXXXXX").string();
    m_path = ::mkdtemp(pattern.data()) ? pattern : std::string();
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempFolder::File(std::string_view relative) const {
    return sw::paths::Join(m_path, relative);
}

std::string TempFolder::Write(std::string_view relative, std::string_view bytes) const {
    std::string path = File(relative);
    std::string native;
    sw::files::ToNativePath(path, native);
    std::filesystem::create_directories(std::filesystem::path(native).parent_path());
    std::ofstream(native, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string ReadFileOrEmpty(const std::string& path) {
    std::string contents;
    sw::files::ReadWholeFile(path, contents);
    return contents;
}
