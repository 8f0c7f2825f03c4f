// The document's side of undo and redo: each step is the project's text
// after an edit, and going back reads the earlier text in again.

#include "document/DocumentHints.h"
#include "document/ScenewrightDoc.h"
#include "platform/TextOutput.h"

#include <utility>

void CScenewrightDoc::EnableUndo(bool enabled) {
    m_undoEnabled = enabled;
    ResetHistory();
}

void CScenewrightDoc::ResetHistory() {
    m_history.Reset(m_undoEnabled ? SnapshotText() : std::string(), !m_modified);
}

std::string CScenewrightDoc::SnapshotText() {
    // Without a project folder, paths are written as they are held.
    const std::string projectFilePath = std::exchange(m_projectFilePath, std::string());
    std::string text = ProjectText();
    m_projectFilePath = projectFilePath;
    return text;
}

void CScenewrightDoc::RecordEdit(SwEdit edit) {
    if (!m_undoEnabled) {
        m_modified = true;
        return;
    }
    m_history.Record(EditName(edit), SnapshotText());
    m_modified = !m_history.IsClean();
}

bool CScenewrightDoc::Undo() {
    if (!CanUndo())
        return false;
    const std::string name(m_history.UndoName());
    m_history.Undo();
    RestoreSnapshot(m_history.State(), name, true);
    return true;
}

bool CScenewrightDoc::Redo() {
    if (!CanRedo())
        return false;
    m_history.Redo();
    RestoreSnapshot(m_history.State(), m_history.UndoName(), false);
    return true;
}

bool CScenewrightDoc::GoToHistoryPosition(std::size_t position) {
    if (!m_undoEnabled || position > m_history.StepCount() || position == m_history.Position())
        return false;
    const bool undoing = position < m_history.Position();
    std::string name;
    while (m_history.Position() > position) {
        name = m_history.UndoName();
        m_history.Undo();
    }
    while (m_history.Position() < position)
        m_history.Redo();
    if (!undoing)
        name = m_history.UndoName();
    RestoreSnapshot(m_history.State(), name, undoing);
    return true;
}

void CScenewrightDoc::RestoreSnapshot(const std::string& text, std::string_view stepName,
                                      bool undone) {
    // Pointers into the old scenes die with them; the current cell is
    // found again by its place.
    const std::int32_t currentSceneId = m_currentScene ? m_currentScene->id : 0;
    int currentCellPosition = -1;
    if (m_currentScene && m_currentCell) {
        for (int i = 0; i < m_currentScene->GetCellCount(); ++i) {
            if (m_currentScene->GetCellAt(i) == m_currentCell)
                currentCellPosition = i;
        }
    }
    const std::string projectFilePath = std::exchange(m_projectFilePath, std::string());
    ReplaceProjectWith(text);
    m_projectFilePath = projectFilePath;
    if (m_currentScene && m_currentScene->id == currentSceneId && currentCellPosition >= 0 &&
        currentCellPosition < m_currentScene->GetCellCount())
        m_currentCell = m_currentScene->GetCellAt(currentCellPosition);
    m_modified = !m_history.IsClean();
    PostLogLine(SwHint::Opened,
                sw::Format(undone ? "元に戻しました: %s" : "やり直しました: %s",
                           std::string(stepName).c_str()));
}
