#include "ui/UndoHistoryDock.h"

#include "document/DocumentUpdate.h"
#include "ui/QtText.h"

#include <QAction>
#include <QListWidget>
#include <QStyle>

CUndoHistoryDock::CUndoHistoryDock(CScenewrightDoc& doc, QWidget* parent)
    : QDockWidget(QStringLiteral("操作の履歴"), parent), m_doc(doc) {
    setObjectName(QStringLiteral("history"));
    m_list = new QListWidget(this);
    setWidget(m_list);
    connect(m_list, &QListWidget::currentRowChanged, this, &CUndoHistoryDock::GoToRow);

    m_undoAction = new QAction(style()->standardIcon(QStyle::SP_ArrowBack),
                               QStringLiteral("元に戻す(&U)"), this);
    m_undoAction->setShortcut(QKeySequence::Undo);
    connect(m_undoAction, &QAction::triggered, this, [this] {
        if (!m_blocked)
            m_doc.Undo();
    });
    m_redoAction = new QAction(style()->standardIcon(QStyle::SP_ArrowForward),
                               QStringLiteral("やり直し(&R)"), this);
    // Ctrl+Shift+Z on Linux desktops, and Ctrl+Y as Windows authors know it.
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    const QKeySequence windowsRedo(Qt::CTRL | Qt::Key_Y);
    if (!redoKeys.contains(windowsRedo))
        redoKeys.append(windowsRedo);
    m_redoAction->setShortcuts(redoKeys);
    connect(m_redoAction, &QAction::triggered, this, [this] {
        if (!m_blocked)
            m_doc.Redo();
    });
    m_doc.AddView(this);
    Refresh();
}

CUndoHistoryDock::~CUndoHistoryDock() {
    m_doc.RemoveView(this);
}

void CUndoHistoryDock::OnDocumentUpdate(CScenewrightDoc& doc, const SwUpdate& update) {
    if (&doc != &m_doc)
        return;
    switch (update.change) {
    case SwChange::Reset:
    case SwChange::Opened:
    case SwChange::History:
        Refresh();
        break;
    default:
        break;
    }
}

void CUndoHistoryDock::SetBlocked(bool blocked) {
    m_blocked = blocked;
    Refresh();
}

void CUndoHistoryDock::Refresh() {
    const CEditHistory& history = m_doc.GetHistory();
    m_filling = true;
    // Only the rows that differ are redone: a long history stays cheap to show.
    if (m_list->count() == 0)
        m_list->addItem(QStringLiteral("（最初の状態）"));
    std::size_t same = 0;
    while (same < history.StepCount() && same < m_names.size() &&
           m_names[same] == history.StepName(same))
        ++same;
    if (history.StepCount() < m_names.size() || same < m_names.size()) {
        // Dropped or replaced steps; when the oldest went, every row moves.
        const bool shifted = same == 0 && !m_names.empty();
        if (shifted) {
            m_names.clear();
            while (m_list->count() > 1)
                delete m_list->takeItem(1);
        } else {
            m_names.resize(same);
            while (m_list->count() > static_cast<int>(same) + 1)
                delete m_list->takeItem(m_list->count() - 1);
        }
    }
    for (std::size_t i = m_names.size(); i < history.StepCount(); ++i) {
        m_names.emplace_back(history.StepName(i));
        m_list->addItem(sw::ui::FromCp932(m_names.back()));
    }
    m_list->setCurrentRow(static_cast<int>(history.Position()));
    m_list->setEnabled(m_doc.IsUndoEnabled() && !m_blocked);
    m_filling = false;

    const bool canUndo = !m_blocked && m_doc.CanUndo();
    const bool canRedo = !m_blocked && m_doc.CanRedo();
    m_undoAction->setEnabled(canUndo);
    m_redoAction->setEnabled(canRedo);
    m_undoAction->setText(canUndo ? QStringLiteral("元に戻す(&U): ") +
                                        sw::ui::FromCp932(history.UndoName())
                                  : QStringLiteral("元に戻す(&U)"));
    m_redoAction->setText(canRedo ? QStringLiteral("やり直し(&R): ") +
                                        sw::ui::FromCp932(history.RedoName())
                                  : QStringLiteral("やり直し(&R)"));
}

void CUndoHistoryDock::GoToRow(int row) {
    if (m_filling || m_blocked || row < 0)
        return;
    // The document's hint refills the list, which must not happen while
    // the list is still handling its own signal.
    QMetaObject::invokeMethod(
        this, [this, row] { m_doc.GoToHistoryPosition(static_cast<std::size_t>(row)); },
        Qt::QueuedConnection);
}
