// The document's side of undo and redo: recorded steps change back and
// forth only what their edit touched, so every object the step did not
// touch keeps its identity.

#include "document/ScenewrightDoc.h"
#include "platform/TextOutput.h"

#include <algorithm>
#include <utility>

void CScenewrightDoc::EnableUndo(bool enabled) {
    m_undoEnabled = enabled;
    ResetHistory();
}

void CScenewrightDoc::ResetHistory() {
    m_history.Clear(!m_modified);
}

std::string CScenewrightDoc::SnapshotText() {
    // Without a project folder, paths are written as they are held, so a
    // Save As to another folder leaves the text valid.
    const std::string projectFilePath = std::exchange(m_projectFilePath, std::string());
    std::string text = ProjectText();
    m_projectFilePath = projectFilePath;
    return text;
}

void CScenewrightDoc::RestoreSnapshotText(const std::string& text) {
    const std::string projectFilePath = std::exchange(m_projectFilePath, std::string());
    ReplaceProjectWith(text);
    m_projectFilePath = projectFilePath;
}

void CScenewrightDoc::RecordStep(SwEdit kind, std::unique_ptr<CEditStep> step) {
    ++m_contentRevision;
    if (!m_undoEnabled || !step) {
        m_modified = true;
        return;
    }
    m_history.Record(EditName(kind), std::move(step));
    m_modified = !m_history.IsClean();
}

bool CScenewrightDoc::Undo() {
    if (!CanUndo())
        return false;
    const std::string name(m_history.UndoName());
    CEditStep& step = *m_history.StepBack();
    step.Undo(*this);
    AfterStep(step, name, true);
    return true;
}

bool CScenewrightDoc::Redo() {
    if (!CanRedo())
        return false;
    const std::string name(m_history.RedoName());
    CEditStep& step = *m_history.StepForward();
    step.Redo(*this);
    AfterStep(step, name, false);
    return true;
}

bool CScenewrightDoc::GoToHistoryPosition(std::size_t position) {
    if (!m_undoEnabled || position > m_history.StepCount() || position == m_history.Position())
        return false;
    while (m_history.Position() > position)
        Undo();
    while (m_history.Position() < position)
        Redo();
    return true;
}

void CScenewrightDoc::AfterStep(CEditStep& step, std::string_view name, bool undone) {
    // Scenes a step took out of the project must not stay referenced.
    const auto present = [&](const CSwObj* scene) {
        return std::any_of(m_scenes.begin(), m_scenes.end(),
                           [&](const auto& owned) { return owned.get() == scene; });
    };
    ++m_contentRevision;
    const SwUpdate update = step.Update();
    if (update.change == SwChange::SceneTree || update.change == SwChange::Project ||
        update.change == SwChange::Opened) {
        if (m_lastAddedScene && !present(m_lastAddedScene))
            m_lastAddedScene = nullptr;
        if (m_buildingScene && !present(m_buildingScene))
            m_buildingScene = nullptr;
        if (m_currentScene && !present(m_currentScene))
            SetCurrentSceneQuietly(nullptr);
    }
    // The author sees what was undone or redone.
    if (const CSwScene* scene = step.Scene(); scene && present(scene)) {
        auto* changed = const_cast<CSwScene*>(scene);
        SetCurrentSceneQuietly(changed);
        const CSwObj* cell = step.Cell(undone);
        const bool inScene = std::any_of(changed->cells.begin(), changed->cells.end(),
                                         [&](const auto& owned) { return owned.get() == cell; });
        m_currentCell = inScene ? const_cast<CSwObj*>(cell) : nullptr;
    } else if (m_currentCell && m_currentScene &&
               std::none_of(m_currentScene->cells.begin(), m_currentScene->cells.end(),
                            [&](const auto& owned) { return owned.get() == m_currentCell; })) {
        m_currentCell = nullptr;
    }
    m_modified = !m_history.IsClean();
    Notify(update);
    Notify({SwChange::Selection});
    Notify({SwChange::History});
    PostLogLine(SwLog::Plain, sw::Format(undone ? "元に戻しました: %s" : "やり直しました: %s",
                                         std::string(name).c_str()));
}
