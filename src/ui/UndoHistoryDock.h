#pragma once

// Undo and redo for the editor: the two commands, named after the step
// they would take, and a dock listing the history, where a click goes back
// or forward to that step. The document keeps the history itself.

#include "document/ScenewrightDoc.h"

#include <QDockWidget>

#include <string>
#include <vector>

class QAction;
class QListWidget;

class CUndoHistoryDock : public QDockWidget, public IScenewrightView {
    Q_OBJECT
public:
    CUndoHistoryDock(CScenewrightDoc& doc, QWidget* parent = nullptr);
    ~CUndoHistoryDock() override;

    void OnDocumentUpdate(CScenewrightDoc& doc, const SwUpdate& update) override;

    QAction* UndoAction() const { return m_undoAction; }
    QAction* RedoAction() const { return m_redoAction; }
    QListWidget* List() const { return m_list; }
    // Refreshes the list and the commands' names and states.
    void Refresh();
    // Commands stay off while a build reads the project.
    void SetBlocked(bool blocked);

private:
    void GoToRow(int row);

    CScenewrightDoc& m_doc;
    QListWidget* m_list = nullptr;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
    bool m_filling = false;
    bool m_blocked = false;
    std::vector<std::string> m_names; // the steps the list shows
};
