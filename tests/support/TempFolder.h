#pragma once

#include <string>
#include <string_view>

// A fresh folder below the system's temporary folder, removed with all its
// contents when the object goes. Paths are CP932, as the program holds them.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(std::string_view relative) const;
    // Writes `bytes` to `relative`, making its folders.
    std::string Write(std::string_view relative, std::string_view bytes) const;

private:
    std::string m_path;
};

std::string ReadFileOrEmpty(const std::string& path);
