// Writing and reading the project file.

#include "document/DocumentUpdate.h"
#include "document/SceneLinkRepair.h"
#include "document/ScenewrightDoc.h"
#include "document/XmlDocument.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/TextOutput.h"

#include <map>
#include <utility>

namespace {

// Relative media paths are computed against the project file's folder, so
// the document keeps its path in absolute form.
std::string AbsoluteFilePath(const char* path) {
    std::string cleaned = sw::paths::ToForwardSlashes(path);
    if (sw::paths::IsAbsolute(cleaned))
        return sw::paths::Normalize(cleaned);
    return sw::paths::Join(sw::files::CurrentDirectory(), cleaned);
}

std::string JoinedIds(const std::vector<std::int32_t>& ids) {
    std::string joined;
    for (std::int32_t id : ids)
        joined += (joined.empty() ? "" : "、") + std::to_string(id);
    return joined;
}

std::vector<std::int32_t> DuplicateIds(const std::vector<std::unique_ptr<CSwScene>>& scenes) {
    std::map<std::int32_t, int> counts;
    for (const auto& scene : scenes)
        ++counts[scene->id];
    std::vector<std::int32_t> duplicates;
    for (const auto& [id, count] : counts) {
        if (count > 1)
            duplicates.push_back(id);
    }
    return duplicates;
}

} // namespace

std::string CScenewrightDoc::ProjectText() {
    for (const auto& scene : m_scenes)
        scene->UpdateLinkIds();
    CStringOutput file;
    file.Write("<?xml version=\"1.0\" encoding=\"Shift_JIS\" ?>\n");
    file.Write("<SwStrage>\n");
    m_settings.WriteXml(this, &file);
    for (const auto& scene : m_scenes)
        scene->WriteXml(this, &file);
    file.Write("</SwStrage>\n");
    return file.Text();
}

bool CScenewrightDoc::WriteProjectFile(const char* path) {
    if (path == nullptr || *path == '\0')
        return false;

    const std::string previousPath = m_projectFilePath;
    m_projectFilePath = AbsoluteFilePath(path);
    const std::string text = ProjectText();
    KeepBackupOf(path, text);
    if (!sw::files::WriteFileAtomically(path, text)) {
        // The old file is intact, so the paths stay relative to it.
        m_projectFilePath = previousPath;
        return false;
    }
    // Saved changes need no recovery copy.
    DiscardRecoveryCopy();
    m_pathName = path;
    if (m_host)
        m_host->AddToRecentFiles(m_pathName);
    m_modified = false;
    m_history.MarkClean();
    Notify({SwChange::History});
    return true;
}

bool CScenewrightDoc::ReadProjectFile(const char* path) {
    std::string message;
    const bool ok = ReadProjectElements(path, message);
    if (ok) {
        m_modified = false;
        m_pathName = path;
        if (m_host)
            m_host->AddToRecentFiles(m_pathName);
        message = sw::Format("%s を開きました。", path);
    }
    ResetHistory();
    if (ok)
        Notify({SwChange::Opened});
    PostLogLine(ok ? SwLog::Plain : SwLog::Error, message);
    return ok;
}

bool CScenewrightDoc::ReadProjectElements(const char* path, std::string& message) {
    if (path == nullptr || *path == '\0') {
        message = "開くファイルが指定されていません。";
        return false;
    }
    if (!sw::files::FileExists(path)) {
        message = sw::Format(" %s が存在しません。", path);
        return false;
    }
    std::string bytes;
    if (!sw::files::ReadWholeFile(path, bytes)) {
        message = sw::Format(" %s を読み込めません。", path);
        return false;
    }
    const std::string previousPath = std::exchange(m_projectFilePath, AbsoluteFilePath(path));
    if (!ParseProjectText(bytes, message)) {
        m_projectFilePath = previousPath;
        return false;
    }
    RepairLinksOfReadScenes();
    TakeCurrentSceneFromSelectFields();
    return true;
}

void CScenewrightDoc::TakeCurrentSceneFromSelectFields() {
    for (const auto& scene : m_scenes) {
        if (scene->select != 0)
            m_currentScene = scene.get();
    }
    m_hasCurrentScene = m_currentScene != nullptr;
}

void CScenewrightDoc::ReplaceProjectWith(const std::string& text) {
    DeleteAllScenes();
    m_settings.Reset();
    std::string message;
    ParseProjectText(text, message);
    TakeCurrentSceneFromSelectFields();
}

bool CScenewrightDoc::ParseProjectText(const std::string& bytes, std::string& message) {
    // Read objects join the document only once the whole file has parsed,
    // so that a refused file leaves the document as it was.
    std::vector<std::unique_ptr<CSwScene>> scenes;
    std::unique_ptr<CSwObj> settings;
    const CSwScene scenePrototype;
    const CSwSettings settingsPrototype;
    CXmlDocument::Error error;
    const bool parsed = CXmlDocument::ForEachElementBelowRoot(
        bytes, "SwObject",
        [&](const CXmlNode& element) {
            if (auto scene = scenePrototype.ReadObject(SwType::AnyScene, this, element))
                scenes.emplace_back(static_cast<CSwScene*>(scene.release()));
            else if (auto read = settingsPrototype.ReadObject(SwType::Settings, this, element))
                settings = std::move(read);
        },
        error);
    if (!parsed) {
        message = error.message;
        return false;
    }
    for (auto& scene : scenes)
        AdoptScene(std::move(scene));
    if (settings) {
        m_settings.CopyBaseFrom(*settings);
        m_settings.Assign(*settings);
    }

    const CObjectIndex index(m_scenes);
    for (const auto& scene : m_scenes)
        scene->ResolveLinks(index);
    return true;
}

void CScenewrightDoc::RepairLinksOfReadScenes() {
    std::vector<CSwObj*> scenes;
    scenes.reserve(m_scenes.size());
    for (const auto& scene : m_scenes)
        scenes.push_back(scene.get());
    const std::vector<std::int32_t> cutIds = RepairSceneLinks(scenes);
    if (!cutIds.empty())
        PostLogLine(
            SwLog::Warning,
            sw::Format(
                "シーンのつながりに矛盾があったため、シーン番号%sのつながりを切り離しました。",
                JoinedIds(cutIds).c_str()));
    const std::vector<std::int32_t> duplicates = DuplicateIds(m_scenes);
    if (!duplicates.empty())
        PostLogLine(
            SwLog::Warning,
            sw::Format(
                "シーン番号%sが複数のシーンで使われています。リンクは最初のシーンにつながります。",
                JoinedIds(duplicates).c_str()));
}
