#pragma once

// The decoded pictures of a preview or of the chart icons, each under a name.
// The list owns its pictures; the user interface makes drawable images of
// them.

#include "imaging/Decoders.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CPicture {
public:
    SwDib dib;
    int x = -1; // placement, -1 when not given
    int y = -1;
    std::uint16_t flags = 0; // the caller's, kept unchanged

    // Kept for the drawing code: two counters starting at 1, two millisecond
    // stamps of the load time, four words starting at 0.
    struct DrawState {
        int counters[2] = {1, 1};
        std::int64_t ticks[2] = {0, 0};
        std::uint32_t words[4] = {0, 0, 0, 0};
    } drawState;
};

class CPictureList {
public:
    // Decodes the file and appends it; null (and the list unchanged) when it
    // cannot be decoded or, for BMP, does not match `expected`.
    CPicture* Add(std::string_view name, std::string_view path, int x, int y, std::uint16_t flags,
                  sw::imaging::Expected expected = {});
    // The same for a bitmap built into the program, given as BMP file bytes.
    CPicture* AddBitmapResource(std::string_view name, std::string_view bmpBytes, int x = -1,
                                int y = -1, std::uint16_t flags = 0);
    // Replaces entry `index` only once the new file has been decoded.
    bool Replace(int index, std::string_view name, std::string_view path, int x, int y,
                 std::uint16_t flags, sw::imaging::Expected expected = {});
    void Clear();

    int GetCount() const { return static_cast<int>(m_entries.size()); }
    // Null for an index outside 0 to count-1.
    CPicture* Get(int index) const;
    const std::string* GetName(int index) const;
    std::optional<CPicture> GetCopy(int index) const;

private:
    struct Entry {
        std::string name;
        std::unique_ptr<CPicture> picture;
    };

    CPicture* Append(std::string_view name, std::optional<SwDib> dib, int x, int y,
                     std::uint16_t flags);

    std::vector<Entry> m_entries;
};
