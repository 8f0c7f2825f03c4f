#pragma once

// The cells of the current scene, one row each, with copy, cut, paste and
// delete through the document's copy buffer and the system clipboard, and
// drops of cells, scenario text files and reordering drags.

#include "document/ScenewrightDoc.h"

#include <QTableWidget>

#include <memory>
#include <vector>

class QAction;
class QMenu;

// The clipboard and drag format of cells: their project-file text.
inline constexpr const char* kSwObjMimeType = "application/x-scenewright-object";
// Marks a drag of a new cell from the object tray, whose dialog opens
// before it is added.
inline constexpr const char* kNewCellMimeType = "application/x-scenewright-new-cell";

class CListStylePageView : public QTableWidget, public IScenewrightView {
    Q_OBJECT
public:
    explicit CListStylePageView(CScenewrightDoc& doc, QWidget* parent = nullptr);
    ~CListStylePageView() override;

    void OnDocumentUpdate(CScenewrightDoc& doc, const SwUpdate& update) override;
    void Rebuild();

    // Cell positions of the selected rows, top down.
    std::vector<int> SelectedCells() const;
    void SelectCells(int first, int count);

    void Copy();
    void Cut();
    void Paste();
    void Delete();
    void UpdateCommandStates();
    // Inserts dropped cells before cell `position` (-1: at the end), moves
    // the selection there instead when `moveSelection` and the drag came
    // from this list, or imports dropped files; false when not taken.
    bool Drop(const QMimeData* data, int position, bool moveSelection);
    // Opens the property dialog of cell `cell` (F2, Enter, a double click).
    bool EditCell(int cell);
    // Opens the dialog of a new cell and adds the cell before `position`
    // (-1: at the end) when the author closes it with OK.
    bool AddFilledInCell(std::unique_ptr<CSwObj> cell, int position);

    QAction* CopyAction() const { return m_copy; }
    QAction* CutAction() const { return m_cut; }
    QAction* PasteAction() const { return m_paste; }
    QAction* DeleteAction() const { return m_delete; }
    // The rows' popup menu, for the window's own commands.
    QMenu* ContextMenu() const { return m_menu; }

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void FillRows(const CSwScene& scene);
    // Selects the document's current cell, which undo and redo set.
    void SelectCurrentCell();
    int CellOfRow(int row) const;
    // The cell position a drop at `pos` inserts before; -1 for the end.
    int DropPosition(const QPoint& pos) const;
    bool Accepts(const QMimeData* data) const;
    void PutOnClipboard();

    CScenewrightDoc& m_doc;
    const CSwScene* m_shown = nullptr; // compared only, never followed
    QAction* m_copy = nullptr;
    QAction* m_cut = nullptr;
    QAction* m_paste = nullptr;
    QAction* m_delete = nullptr;
    QAction* m_edit = nullptr;
    QMenu* m_menu = nullptr;
};
