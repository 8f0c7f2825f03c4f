#include "document/ScenewrightDoc.h"

#include "format/XmlDocument.h"
#include "platform/Cp932.h"
#include "platform/Files.h"
#include "platform/Paths.h"

#include <algorithm>
#include <utility>

CScenewrightDoc::CScenewrightDoc() {
    // An open may read on another thread; the parser must be set up first.
    CXmlDocument::InitializeParser();
    ResetDocument();
}
CScenewrightDoc::~CScenewrightDoc() = default;

void CScenewrightDoc::ResetDocument() {
    // Closing the project means its changes were saved or given up.
    DiscardRecoveryCopy();
    ResetBuildState();
    m_projectFilePath.clear();
    m_engineFolder.clear();
    m_pathName.clear();
    m_currentScene = nullptr;
    m_hasCurrentScene = false;
    m_lastAddedScene = nullptr;
    m_currentCell = nullptr;
    m_settings.Reset();
    m_scenes.clear();
    m_copyBuffer.clear();
    m_modified = false;
    ++m_contentRevision;
    ResetHistory();
    Notify({SwChange::Reset});
    PostLogLine(SwLog::Plain, "ドキュメントを初期化しました。");
}

std::shared_ptr<void> CScenewrightDoc::ResetKeepingObjects() {
    struct Objects {
        std::vector<std::unique_ptr<CSwScene>> scenes;
        CEditHistory history; // its steps hold scenes and cells taken out
    };
    auto objects = std::make_shared<Objects>();
    objects->scenes = std::move(m_scenes);
    m_scenes.clear();
    DeleteAllScenes();
    objects->history = std::move(m_history);
    m_history = CEditHistory();
    ResetDocument();
    return objects;
}

void CScenewrightDoc::AddView(IScenewrightView* view) {
    if (view && std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void CScenewrightDoc::RemoveView(IScenewrightView* view) {
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void CScenewrightDoc::Notify(const SwUpdate& update) {
    // A view may detach itself while it is told.
    const std::vector<IScenewrightView*> views = m_views;
    for (IScenewrightView* view : views)
        view->OnDocumentUpdate(*this, update);
}

void CScenewrightDoc::AddLogSink(ILogSink* sink) {
    if (sink && std::find(m_logSinks.begin(), m_logSinks.end(), sink) == m_logSinks.end())
        m_logSinks.push_back(sink);
}

void CScenewrightDoc::RemoveLogSink(ILogSink* sink) {
    m_logSinks.erase(std::remove(m_logSinks.begin(), m_logSinks.end(), sink), m_logSinks.end());
}

void CScenewrightDoc::PostLogLine(SwLog kind, std::string_view message) {
    if (HoldBackLogLine(kind, message))
        return;
    const std::string line = LogLineText(kind, message);
    if (line.empty())
        return;
    const std::vector<ILogSink*> sinks = m_logSinks;
    for (ILogSink* sink : sinks)
        sink->OnLogLine(kind, line);
}

void CScenewrightDoc::RelayLogLine(SwLog kind, std::string_view line) {
    const std::vector<ILogSink*> sinks = m_logSinks;
    for (ILogSink* sink : sinks)
        sink->OnLogLine(kind, line);
}

CSwScene* CScenewrightDoc::GetSceneAt(int index) const {
    if (index < 0 || index >= GetSceneCount())
        return nullptr;
    return m_scenes[static_cast<std::size_t>(index)].get();
}

CSwScene* CScenewrightDoc::AdoptScene(std::unique_ptr<CSwScene> scene) {
    if (!scene)
        return nullptr;
    m_scenes.push_back(std::move(scene));
    return m_scenes.back().get();
}

CSwScene* CScenewrightDoc::FindScene(std::int32_t id) const {
    if (id < 1)
        return nullptr;
    for (const auto& scene : m_scenes) {
        if (scene->id == id)
            return scene.get();
    }
    return nullptr;
}

void CScenewrightDoc::SetCurrentSceneQuietly(CSwScene* scene) {
    for (const auto& each : m_scenes)
        each->select = each.get() == scene ? 1 : 0;
    m_currentScene = scene;
    m_hasCurrentScene = scene != nullptr;
}

std::string CScenewrightDoc::GetProjectFileFolder() const {
    return sw::paths::FolderOf(m_projectFilePath);
}

const char* EditName(SwEdit edit) {
    switch (edit) {
    case SwEdit::AddScene:
        return "シーンの追加";
    case SwEdit::DeleteScene:
        return "シーンの削除";
    case SwEdit::CutLink:
        return "つながりの切り離し";
    case SwEdit::SceneProperties:
        return "シーンのプロパティ";
    case SwEdit::AddCells:
        return "セルの追加";
    case SwEdit::PasteCells:
        return "貼り付け";
    case SwEdit::CutCells:
        return "切り取り";
    case SwEdit::DeleteCells:
        return "セルの削除";
    case SwEdit::MoveCells:
        return "セルの移動";
    case SwEdit::ImportScenario:
        return "シナリオの取り込み";
    case SwEdit::CellProperties:
        return "セルのプロパティ";
    case SwEdit::ProjectSettings:
        return "プロジェクトの設定";
    case SwEdit::Characters:
        return "キャラクターの設定";
    case SwEdit::BackgroundList:
        return "背景リスト";
    case SwEdit::MediaList:
        return "素材リスト";
    case SwEdit::ImportTexts:
        return "テキストの取り込み";
    case SwEdit::ReplaceText:
        return "置換";
    case SwEdit::Recovery:
        return "自動保存からの復元";
    }
    return "";
}
