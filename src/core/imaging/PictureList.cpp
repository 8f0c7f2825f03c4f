#include "imaging/PictureList.h"

#include <time.h>

namespace {

std::unique_ptr<CPicture> MakePicture(SwDib dib, int x, int y, std::uint16_t flags) {
    auto picture = std::make_unique<CPicture>();
    picture->dib = std::move(dib);
    picture->x = x;
    picture->y = y;
    picture->flags = flags;
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const std::int64_t tick = std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
    picture->drawState.ticks[0] = tick;
    picture->drawState.ticks[1] = tick;
    return picture;
}

} // namespace

CPicture* CPictureList::Append(std::string_view name, std::optional<SwDib> dib, int x, int y,
                               std::uint16_t flags) {
    if (!dib)
        return nullptr;
    m_entries.push_back(Entry{std::string(name), MakePicture(std::move(*dib), x, y, flags)});
    return m_entries.back().picture.get();
}

CPicture* CPictureList::Add(std::string_view name, std::string_view path, int x, int y,
                            std::uint16_t flags, sw::imaging::Expected expected) {
    return Append(name, sw::imaging::DecodePictureFile(path, expected), x, y, flags);
}

CPicture* CPictureList::AddBitmapResource(std::string_view name, std::string_view bmpBytes, int x,
                                          int y, std::uint16_t flags) {
    return Append(name, sw::imaging::DecodeBmpData(bmpBytes), x, y, flags);
}

bool CPictureList::Replace(int index, std::string_view name, std::string_view path, int x, int y,
                           std::uint16_t flags, sw::imaging::Expected expected) {
    if (!Get(index))
        return false;
    std::optional<SwDib> dib = sw::imaging::DecodePictureFile(path, expected);
    if (!dib)
        return false;
    Entry& entry = m_entries[static_cast<std::size_t>(index)];
    entry.picture = MakePicture(std::move(*dib), x, y, flags);
    entry.name = name;
    return true;
}

void CPictureList::Clear() {
    m_entries.clear();
}

CPicture* CPictureList::Get(int index) const {
    if (index < 0 || index >= GetCount())
        return nullptr;
    return m_entries[static_cast<std::size_t>(index)].picture.get();
}

const std::string* CPictureList::GetName(int index) const {
    if (!Get(index))
        return nullptr;
    return &m_entries[static_cast<std::size_t>(index)].name;
}

std::optional<CPicture> CPictureList::GetCopy(int index) const {
    const CPicture* picture = Get(index);
    if (!picture)
        return std::nullopt;
    return *picture;
}
