#pragma once

// The eight pictures of the scene chart, a pale and a current one per scene
// kind. A file of the same name in the icons folder beside the executable
// replaces the built-in picture.

#include "imaging/PictureList.h"

#include <QImage>
#include <QSize>

#include <array>
#include <string>

class CChartIcons {
public:
    static constexpr int kCount = 8;
    // In loading order; the "_s" pictures are those of the current scene.
    static constexpr std::array<const char*, kCount> kNames = {
        "link_s.bmp",   "link.bmp",   "branch_s.bmp",   "branch.bmp",
        "jumpto_s.bmp", "jumpto.bmp", "imagemap_s.bmp", "imagemap.bmp"};

    // Reads each picture from `folder` (CP932, "" for none) where it can be
    // decoded there, from the program's resources otherwise.
    void Load(const std::string& folder);
    bool IsLoaded() const { return m_loaded; }
    // The folder beside the executable.
    static std::string DefaultFolder();

    // The picture of a scene kind (10 to 13); a null image before loading.
    const QImage& ImageFor(int sceneType, bool current) const;
    // The size of the first picture.
    QSize BoxSize() const { return m_images[0].size(); }
    // Whether entry `index` came from the folder rather than the program.
    bool IsFromFolder(int index) const { return m_fromFolder[static_cast<std::size_t>(index)]; }

private:
    CPictureList m_pictures;
    std::array<QImage, kCount> m_images;
    std::array<bool, kCount> m_fromFolder{};
    bool m_loaded = false;
};
