#include "ui/ListStylePageView.h"

#include "document/CellCommands.h"
#include "document/DocumentUpdate.h"
#include "model/cells/CellSummary.h"
#include "model/cells/CommandCatalogue.h"
#include "model/cells/SwCommand.h"
#include "ui/CellDialog.h"
#include "ui/CellIcons.h"
#include "ui/QtText.h"

#include <QAction>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>

namespace {

QString Note(const CSwObj& cell, const CommandTypeInfo& info) {
    if (info.fixedNote)
        return sw::ui::FromCp932(info.fixedNote);
    if (cell.type == SwType::SePlay || cell.type == SwType::Dialogue)
        return sw::ui::FromCp932(cell.comment);
    return QString();
}

// Marks drags that start in this process, so that a drop back onto the
// list moves instead of copying.
const char* const kRowsMimeType = "application/x-scenewright-rows";

} // namespace

CListStylePageView::CListStylePageView(CScenewrightDoc& doc, QWidget* parent)
    : QTableWidget(0, 3, parent), m_doc(doc) {
    setHorizontalHeaderLabels(
        {QStringLiteral("項目名"), QStringLiteral("内容"), QStringLiteral("備考")});
    const int widths[] = {64, 128, 64};
    for (int column = 0; column < 3; ++column)
        setColumnWidth(column, widths[column]);
    // The story's words take the room there is; the note keeps its width.
    horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(std::max(fontMetrics().height() + 8, 22));
    setIconSize(QSize(16, 16));
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);

    auto makeAction = [this](const QString& text, QKeySequence keys,
                             void (CListStylePageView::*slot)()) {
        auto* action = new QAction(text, this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
        return action;
    };
    m_copy =
        makeAction(QStringLiteral("コピー(&C)"), QKeySequence::Copy, &CListStylePageView::Copy);
    m_cut = makeAction(QStringLiteral("切り取り(&T)"), QKeySequence::Cut, &CListStylePageView::Cut);
    m_paste =
        makeAction(QStringLiteral("貼り付け(&P)"), QKeySequence::Paste, &CListStylePageView::Paste);
    m_delete = makeAction(QStringLiteral("セルの削除(&D)"), QKeySequence::Delete,
                          &CListStylePageView::Delete);
    m_edit = new QAction(QStringLiteral("セルの編集(&O)..."), this);
    connect(m_edit, &QAction::triggered, this, [this] {
        if (SelectedCells().size() == 1)
            EditCell(SelectedCells().front());
    });
    m_menu = new QMenu(this);
    m_menu->addAction(m_edit);
    m_menu->addSeparator();
    m_menu->addActions({m_cut, m_copy, m_paste, m_delete});
    connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) {
        const int cell = CellOfRow(row);
        const CSwScene* scene = m_doc.GetCurrentScene();
        m_doc.SetCurrentCell(scene && cell >= 0 ? scene->GetCellAt(cell) : nullptr);
    });
    m_doc.AddView(this);
    UpdateCommandStates();
}

CListStylePageView::~CListStylePageView() {
    m_doc.RemoveView(this);
}

void CListStylePageView::OnDocumentUpdate(CScenewrightDoc& doc, const SwUpdate& update) {
    if (&doc != &m_doc)
        return;
    switch (update.change) {
    case SwChange::Reset:
    case SwChange::Opened:
    case SwChange::Project:
    case SwChange::Settings: // dialogue rows show the speakers' names
        Rebuild();
        break;
    case SwChange::Cells:
        if (update.scene == m_doc.GetCurrentScene())
            Rebuild();
        break;
    case SwChange::Selection:
    case SwChange::SceneTree:
        if (m_doc.GetCurrentScene() != m_shown)
            Rebuild();
        else
            SelectCurrentCell();
        break;
    default:
        break;
    }
}

void CListStylePageView::SelectCurrentCell() {
    const CSwScene* scene = m_doc.GetCurrentScene();
    const CSwObj* current = m_doc.GetCurrentCell();
    if (!scene || !current ||
        (currentRow() >= 0 && scene->GetCellAt(CellOfRow(currentRow())) == current))
        return;
    for (int row = 0; row < rowCount(); ++row) {
        if (scene->GetCellAt(CellOfRow(row)) == current) {
            const QSignalBlocker quiet(this);
            clearSelection();
            setCurrentCell(row, 0, QItemSelectionModel::Select | QItemSelectionModel::Rows);
            scrollToItem(item(row, 0));
            return;
        }
    }
}

void CListStylePageView::Rebuild() {
    {
        const QSignalBlocker quiet(this);
        setRowCount(0);
        UpdateCommandStates();
        m_shown = m_doc.GetCurrentScene();
        if (!m_shown)
            return;
        FillRows(*m_shown);
    }
    SelectCurrentCell();
}

void CListStylePageView::FillRows(const CSwScene& scene) {
    const CSwSettings& settings = m_doc.GetSettings();
    for (int position = 0; position < scene.GetCellCount(); ++position) {
        const CSwObj& cell = *scene.GetCellAt(position);
        const CommandTypeInfo* info = FindCommandType(cell.type);
        if (!info || !info->listName)
            continue;
        const int row = rowCount();
        insertRow(row);
        const CellSummary summary = SummarizeCell(cell, settings);
        const QString texts[] = {sw::ui::FromCp932(info->listName),
                                 sw::ui::FromCp932(summary.content), Note(cell, *info)};
        const QString tips[] = {texts[0], sw::ui::FromCp932(summary.tooltip), texts[2]};
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            item->setToolTip(tips[column]);
            item->setData(Qt::UserRole, position);
            setItem(row, column, item);
        }
        item(row, 0)->setIcon(CellIcon(cell.type));
    }
    // A type's name is never cut off.
    resizeColumnToContents(0);
}

int CListStylePageView::CellOfRow(int row) const {
    const QTableWidgetItem* first = row >= 0 ? item(row, 0) : nullptr;
    return first ? first->data(Qt::UserRole).toInt() : -1;
}

std::vector<int> CListStylePageView::SelectedCells() const {
    std::vector<int> cells;
    for (int row = 0; row < rowCount(); ++row) {
        if (item(row, 0) && item(row, 0)->isSelected())
            cells.push_back(CellOfRow(row));
    }
    return cells;
}

void CListStylePageView::SelectCells(int first, int count) {
    clearSelection();
    int current = -1;
    for (int row = 0; row < rowCount(); ++row) {
        const int cell = CellOfRow(row);
        if (cell < first || cell >= first + count)
            continue;
        selectRow(row);
        if (current < 0)
            current = row;
    }
    if (current >= 0)
        setCurrentCell(current, 0, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void CListStylePageView::UpdateCommandStates() {
    const bool scene = m_doc.HasCurrentScene();
    m_copy->setEnabled(scene);
    m_cut->setEnabled(scene);
    m_paste->setEnabled(scene);
    m_delete->setEnabled(scene);
}

void CListStylePageView::PutOnClipboard() {
    auto* data = new QMimeData;
    const std::string text = sw::cells::CellsToText(m_doc.GetCopyBuffer());
    data->setData(QString::fromLatin1(kSwObjMimeType),
                  QByteArray(text.data(), qsizetype(text.size())));
    QApplication::clipboard()->setMimeData(data);
}

void CListStylePageView::Copy() {
    const CSwScene* scene = m_doc.GetCurrentScene();
    if (scene && sw::cells::CopyCells(m_doc, *scene, SelectedCells()))
        PutOnClipboard();
}

void CListStylePageView::Cut() {
    CSwScene* scene = m_doc.GetCurrentScene();
    if (!scene)
        return;
    const int next = sw::cells::CutCells(m_doc, *scene, SelectedCells());
    if (!m_doc.GetCopyBuffer().empty())
        PutOnClipboard();
    SelectCells(next, 1);
}

void CListStylePageView::Delete() {
    CSwScene* scene = m_doc.GetCurrentScene();
    if (!scene)
        return;
    SelectCells(sw::cells::DeleteCells(m_doc, *scene, SelectedCells()), 1);
}

void CListStylePageView::Paste() {
    CSwScene* scene = m_doc.GetCurrentScene();
    const std::vector<int> selected = SelectedCells();
    if (!scene || selected.size() > 1)
        return;
    // What another scene, project or running instance copied last wins over
    // this document's own buffer; text that is not ours is left alone.
    if (const QMimeData* data = QApplication::clipboard()->mimeData();
        data && data->hasFormat(QString::fromLatin1(kSwObjMimeType))) {
        const QByteArray bytes = data->data(QString::fromLatin1(kSwObjMimeType));
        auto cells =
            sw::cells::CellsFromText(std::string_view(bytes.constData(), bytes.size()), &m_doc);
        if (cells.empty())
            return;
        m_doc.GetCopyBuffer() = std::move(cells);
    }
    const int count = static_cast<int>(m_doc.GetCopyBuffer().size());
    const int first =
        sw::cells::PasteCells(m_doc, *scene, selected.empty() ? -1 : selected.front());
    if (first >= 0)
        SelectCells(first, count);
}

void CListStylePageView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableWidget::mouseDoubleClickEvent(event);
    EditCell(CellOfRow(rowAt(event->position().toPoint().y())));
}

void CListStylePageView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_F2 || key == Qt::Key_Return || key == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier && SelectedCells().size() == 1) {
        EditCell(SelectedCells().front());
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void CListStylePageView::contextMenuEvent(QContextMenuEvent* event) {
    // The menu acts on the row under the pointer.
    const int row = rowAt(event->pos().y());
    if (row >= 0 && !selectionModel()->isRowSelected(row, QModelIndex()))
        selectRow(row);
    UpdateCommandStates();
    m_edit->setEnabled(SelectedCells().size() == 1);
    m_menu->exec(event->globalPos());
}

bool CListStylePageView::EditCell(int cell) {
    CSwScene* scene = m_doc.GetCurrentScene();
    if (!scene || cell < 0)
        return false;
    const bool changed = EditCellProperties(m_doc, *scene, cell, this);
    SelectCells(cell, 1);
    return changed;
}

void CListStylePageView::startDrag(Qt::DropActions) {
    const CSwScene* scene = m_doc.GetCurrentScene();
    const std::vector<int> cells = SelectedCells();
    if (!scene || cells.empty())
        return;
    std::vector<std::unique_ptr<CSwObj>> copies;
    QByteArray rows;
    for (int cell : cells) {
        copies.push_back(sw::cells::CopyOfCell(*scene->GetCellAt(cell)));
        rows += QByteArray::number(cell) + ' ';
    }
    const std::string text = sw::cells::CellsToText(copies);
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kSwObjMimeType),
                  QByteArray(text.data(), qsizetype(text.size())));
    data->setData(QString::fromLatin1(kRowsMimeType), rows);
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
}

bool CListStylePageView::Accepts(const QMimeData* data) const {
    if (!m_doc.HasCurrentScene() || !data)
        return false;
    if (data->hasFormat(QString::fromLatin1(kSwObjMimeType)))
        return true;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            return true;
    }
    return false;
}

void CListStylePageView::dragEnterEvent(QDragEnterEvent* event) {
    if (Accepts(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CListStylePageView::dragMoveEvent(QDragMoveEvent* event) {
    if (!Accepts(event->mimeData())) {
        event->ignore();
        return;
    }
    if (event->mimeData()->hasFormat(QString::fromLatin1(kSwObjMimeType))) {
        event->setDropAction((event->modifiers() & Qt::ControlModifier) ? Qt::CopyAction
                                                                        : Qt::MoveAction);
        event->accept();
    } else {
        event->acceptProposedAction();
    }
}

int CListStylePageView::DropPosition(const QPoint& pos) const {
    const int row = rowAt(pos.y());
    if (row < 0)
        return -1;
    const QRect box = visualRect(model()->index(row, 0));
    const int next = pos.y() > box.center().y() ? row + 1 : row;
    return next < rowCount() ? CellOfRow(next) : -1;
}

void CListStylePageView::dropEvent(QDropEvent* event) {
    const bool fromHere = event->source() == this;
    const bool copying = (event->modifiers() & Qt::ControlModifier) != 0;
    if (!Drop(event->mimeData(), DropPosition(event->position().toPoint()), fromHere && !copying)) {
        event->ignore();
        return;
    }
    // A move within the list is done by then; the drag source must not
    // delete anything.
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

bool CListStylePageView::AddFilledInCell(std::unique_ptr<CSwObj> cell, int position) {
    CSwScene* scene = m_doc.GetCurrentScene();
    std::unique_ptr<CCellDialog> dialog = scene ? CCellDialog::Create(m_doc, *cell, this) : nullptr;
    if (!dialog || dialog->exec() != QDialog::Accepted || m_doc.GetCurrentScene() != scene)
        return false;
    std::unique_ptr<CSwObj> edited = dialog->TakeEdited();
    edited->CopyBaseFrom(*cell);
    std::vector<std::unique_ptr<CSwObj>> cells;
    cells.push_back(std::move(edited));
    const int first = sw::cells::InsertCells(m_doc, *scene, position, std::move(cells));
    if (first >= 0)
        SelectCells(first, 1);
    return first >= 0;
}

bool CListStylePageView::Drop(const QMimeData* data, int position, bool moveSelection) {
    CSwScene* scene = m_doc.GetCurrentScene();
    if (!scene || !Accepts(data))
        return false;
    const QString ours = QString::fromLatin1(kSwObjMimeType);
    if (!data->hasFormat(ours)) {
        for (const QUrl& url : data->urls()) {
            std::string path;
            if (url.isLocalFile() && sw::ui::PathToCp932(url.toLocalFile(), path))
                m_doc.ImportScenarioText(path.c_str());
        }
        return true;
    }
    if (moveSelection && data->hasFormat(QString::fromLatin1(kRowsMimeType))) {
        std::vector<int> cells = SelectedCells();
        const int count = static_cast<int>(cells.size());
        SelectCells(sw::cells::MoveCells(m_doc, *scene, std::move(cells), position), count);
        return true;
    }
    const QByteArray bytes = data->data(ours);
    auto cells =
        sw::cells::CellsFromText(std::string_view(bytes.constData(), bytes.size()), &m_doc);
    // A new cell from the tray is filled in first: its dialog opens once the
    // drop is over, and only OK adds it.
    if (data->hasFormat(QString::fromLatin1(kNewCellMimeType)) && cells.size() == 1 &&
        CCellDialog::HasDialog(cells.front()->type)) {
        auto shared = std::make_shared<std::unique_ptr<CSwObj>>(std::move(cells.front()));
        QTimer::singleShot(
            0, this, [this, shared, position] { AddFilledInCell(std::move(*shared), position); });
        return true;
    }
    const int count = static_cast<int>(cells.size());
    const int first = sw::cells::InsertCells(m_doc, *scene, position, std::move(cells));
    if (first >= 0)
        SelectCells(first, count);
    return true;
}
