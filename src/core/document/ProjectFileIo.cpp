// Writing and reading the project file.

#include "document/DocumentUpdate.h"
#include "document/SceneLinkRepair.h"
#include "document/ScenewrightDoc.h"
#include "format/XmlDocument.h"
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
    m_settings.WriteXml(GetProjectFileFolder(), &file);
    for (const auto& scene : m_scenes)
        scene->WriteXml(GetProjectFileFolder(), &file);
    file.Write("</SwStrage>\n");
    return file.Text();
}

ProjectPieces CScenewrightDoc::TakeProjectPieces() {
    // Only the editor keeps scene texts: there every change is a recorded
    // edit that marks its scenes changed.
    return m_textCache.Take(*this, m_undoEnabled);
}

CScenewrightDoc::SaveJob CScenewrightDoc::PrepareSave(const std::string& path) {
    SaveJob job;
    job.path = path;
    job.previousFilePath = m_projectFilePath;
    // The paths in the text are relative to the file's new folder.
    m_projectFilePath = AbsoluteFilePath(path.c_str());
    job.text = TakeProjectPieces();
    job.backupCount = GetBackupCount();
    job.state = m_history.StateId();
    return job;
}

namespace {

// The line of the first control character that XML cannot hold (all but
// TAB, LF and CR), 0 when there is none. Control bytes are never trail
// bytes, so the bytes are looked at one by one.
int LineOfUnwritableCharacter(const std::vector<std::string_view>& pieces, unsigned char& found) {
    int line = 1;
    for (const std::string_view piece : pieces) {
        for (const char c : piece) {
            const auto b = static_cast<unsigned char>(c);
            if (b == '\n')
                ++line;
            else if (b < 0x20 && b != '\t' && b != '\r') {
                found = b;
                return line;
            }
        }
    }
    return 0;
}

} // namespace

void CScenewrightDoc::SaveJob::Run() {
    const std::vector<std::string_view> pieces = text.Views();
    // What the reader would refuse is never written over a project that opens.
    unsigned char found = 0;
    if (const int line = LineOfUnwritableCharacter(pieces, found)) {
        error = sw::Format("%s を保存できません。%d行目のテキストに、プロジェクトファイルに書けない"
                           "制御文字 (0x%02X) があります。その文字を消して下さい。",
                           path.c_str(), line, found);
        written = false;
        return;
    }
    sw::files::RemoveStaleTemporaries(path);
    warning = KeepBackupOf(path, text, backupCount);
    written = sw::files::WritePiecesAtomically(path, pieces);
}

bool CScenewrightDoc::FinishSave(const SaveJob& job) {
    if (!job.warning.empty())
        PostLogLine(SwLog::Warning, job.warning);
    if (!job.error.empty())
        PostLogLine(SwLog::Error, job.error);
    if (!job.written) {
        // The old file is intact, so the paths stay relative to it.
        if (m_projectFilePath == AbsoluteFilePath(job.path.c_str()))
            m_projectFilePath = job.previousFilePath;
        return false;
    }
    // Saved changes need no recovery copy.
    DiscardRecoveryCopy();
    m_pathName = job.path;
    if (m_host)
        m_host->AddToRecentFiles(m_pathName);
    m_history.MarkCleanAt(job.state);
    m_modified = m_undoEnabled ? !m_history.IsClean() : false;
    Notify({SwChange::History});
    return true;
}

bool CScenewrightDoc::WriteProjectFile(const char* path) {
    if (path == nullptr || *path == '\0')
        return false;
    SaveJob job = PrepareSave(path);
    job.Run();
    return FinishSave(job);
}

void CScenewrightDoc::AdoptProjectFrom(CScenewrightDoc& other) {
    if (&other == this)
        return;
    DeleteAllScenes();
    m_scenes = std::move(other.m_scenes);
    other.DeleteAllScenes();
    m_settings.Reset();
    m_settings.CopyBaseFrom(other.m_settings);
    m_settings.Assign(other.m_settings);
    other.m_settings.Reset();
    m_projectFilePath = std::exchange(other.m_projectFilePath, std::string());
    m_pathName = std::exchange(other.m_pathName, std::string());
    TakeCurrentSceneFromSelectFields();
    m_buildStatus = SwBuildStatus::NotBuilt;
    m_modified = false;
    ++m_contentRevision;
    // The texts belong to the scenes, which keep their addresses.
    m_textCache = std::move(other.m_textCache);
    other.m_textCache.Clear();
    ResetHistory();
    if (m_host && !m_pathName.empty())
        m_host->AddToRecentFiles(m_pathName);
    Notify({SwChange::Opened});
}

bool CScenewrightDoc::ReadProjectFile(const char* path) {
    std::string message;
    const bool ok = ReadProjectElements(path, message);
    ++m_contentRevision;
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
    std::string bytes;
    sw::files::ReadProblem problem = sw::files::ReadProblem::None;
    if (!sw::files::ReadWholeFile(path, bytes, sw::files::kProjectFileLimit, &problem)) {
        message = sw::files::ReadProblemMessage(problem, path, sw::files::kProjectFileLimit);
        return false;
    }
    // Temporaries that a killed save of this project left behind.
    sw::files::RemoveStaleTemporaries(path);
    if (m_readTotal) {
        int scenes = 0;
        for (std::size_t at = bytes.find("<SwObject>"); at != std::string::npos;
             at = bytes.find("<SwObject>", at + 1))
            ++scenes;
        *m_readTotal = scenes;
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
    ++m_contentRevision;
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
    const std::string folder = GetProjectFileFolder();
    const CSwScene scenePrototype;
    const CSwSettings settingsPrototype;
    CXmlDocument::Error error;
    // Where each object's element starts, and its scene number (0 for the
    // settings), to say where a replaced character stood.
    std::vector<std::pair<int, std::int32_t>> starts;
    const bool parsed = CXmlDocument::ForEachElementBelowRoot(
        bytes, "SwObject",
        [&](const CXmlNode& element) {
            if (m_readDone)
                ++*m_readDone;
            if (auto scene = scenePrototype.ReadObject(SwType::AnyScene, folder, element)) {
                starts.emplace_back(element.Line(), scene->id);
                scenes.emplace_back(static_cast<CSwScene*>(scene.release()));
            } else if (auto read =
                           settingsPrototype.ReadObject(SwType::Settings, folder, element)) {
                starts.emplace_back(element.Line(), 0);
                settings = std::move(read);
            }
        },
        error);
    if (!parsed) {
        message = error.message;
        return false;
    }
    for (const int line : error.replacedLines) {
        std::int32_t scene = -1;
        for (const auto& [start, id] : starts) {
            if (start <= line)
                scene = id;
        }
        const std::string where = scene > 0    ? sw::Format("シーン番号%d", scene)
                                  : scene == 0 ? std::string("プロジェクトの設定")
                                               : std::string("プロジェクトファイル");
        PostLogLine(SwLog::Warning,
                    sw::Format("%d行目（%s）の Shift_JIS として読めない文字を 〓 に置き換えて"
                               "読み込みました。",
                               line, where.c_str()));
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
