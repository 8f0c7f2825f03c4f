#include "ui/ChartIcons.h"

#include "model/SwObj.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "ui/DibImage.h"

#include <QFile>

// Outside any namespace, as the resource functions are global. The
// resources live in a static library; naming them keeps the linker from
// dropping them.
static void InitIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace {

int PairOf(int sceneType) {
    switch (sceneType) {
    case SwType::SceneBranch:
        return 1;
    case SwType::SceneLink:
        return 2;
    case SwType::SceneImageMap:
        return 3;
    default:
        return 0;
    }
}

} // namespace

std::string CChartIcons::DefaultFolder() {
    const std::string executable = sw::process::ExecutableFolder();
    return executable.empty() ? std::string() : executable + "icons/";
}

void CChartIcons::Load(const std::string& folder) {
    InitIconResources();
    m_pictures.Clear();
    for (int i = 0; i < kCount; ++i) {
        const std::string name = kNames[static_cast<std::size_t>(i)];
        const std::string path = folder.empty() ? std::string() : folder + name;
        CPicture* picture = nullptr;
        if (!path.empty() && sw::files::FileExists(path))
            picture = m_pictures.Add(name, path, -1, -1, 0);
        m_fromFolder[static_cast<std::size_t>(i)] = picture != nullptr;
        if (!picture) {
            QFile resource(QStringLiteral(":/icons/") + QString::fromLatin1(name.c_str()));
            QByteArray bytes;
            if (resource.open(QIODevice::ReadOnly))
                bytes = resource.readAll();
            picture = m_pictures.AddBitmapResource(
                name, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        }
        m_images[static_cast<std::size_t>(i)] =
            picture ? sw::ui::DibToQImage(picture->dib) : QImage();
    }
    m_loaded = true;
}

const QImage& CChartIcons::ImageFor(int sceneType, bool current) const {
    return m_images[static_cast<std::size_t>(PairOf(sceneType) * 2 + (current ? 0 : 1))];
}
