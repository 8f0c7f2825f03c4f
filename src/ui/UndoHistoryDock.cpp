#include "ui/UndoHistoryDock.h"

#include "document/DocumentHints.h"
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

void CUndoHistoryDock::OnDocumentUpdate(CScenewrightDoc* doc, int hint) {
    if (doc == &m_doc && hint <= SwHint::BuildFinished)
        Refresh();
}

void CUndoHistoryDock::SetBlocked(bool blocked) {
    m_blocked = blocked;
    Refresh();
}

void CUndoHistoryDock::Refresh() {
    const CUndoHistory& history = m_doc.GetHistory();
    m_filling = true;
    m_list->clear();
    m_list->addItem(QStringLiteral("（最初の状態）"));
    for (std::size_t i = 0; i < history.StepCount(); ++i)
        m_list->addItem(sw::ui::FromCp932(history.StepName(i)));
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
