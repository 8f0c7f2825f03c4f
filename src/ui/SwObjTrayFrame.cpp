#include "ui/SwObjTrayFrame.h"

#include "commands/CommandCatalogue.h"
#include "commands/CreateObject.h"
#include "document/CellCommands.h"
#include "model/SwObj.h"
#include "ui/CellIcons.h"
#include "ui/ListStylePageView.h"
#include "ui/QtText.h"

#include <QMimeData>

CSwObjTrayFrame::CSwObjTrayFrame(QWidget* parent) : QListWidget(parent) {
    setWindowTitle(QStringLiteral("オブジェクトトレイ"));
    setObjectName(QStringLiteral("ObjectTray"));
    // Icons above their names, in the catalogue's order, which keeps each
    // family of cells (and its colour) together.
    setViewMode(QListView::IconMode);
    setIconSize(QSize(32, 32));
    setGridSize(QSize(84, 62));
    setWordWrap(true);
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    setUniformItemSizes(true);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    for (const CommandTypeInfo& info : CommandCatalogue()) {
        if (!info.trayName)
            continue;
        auto* item =
            new QListWidgetItem(CellIcon(info.type), sw::ui::FromCp932(info.trayName), this);
        item->setData(Qt::UserRole, info.type);
        item->setToolTip(QStringLiteral("セルの一覧へドラッグすると、%1のセルを追加します。")
                             .arg(sw::ui::FromCp932(info.listName)));
    }
}

QMimeData* CSwObjTrayFrame::NewCellData(std::int32_t type) {
    std::vector<std::unique_ptr<CSwObj>> cells;
    cells.push_back(CreateObject(type));
    if (!cells.back())
        return nullptr;
    const std::string text = sw::cells::CellsToText(cells);
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kSwObjMimeType),
                  QByteArray(text.data(), qsizetype(text.size())));
    data->setData(QString::fromLatin1(kNewCellMimeType), QByteArray::number(type));
    return data;
}

QMimeData* CSwObjTrayFrame::mimeData(const QList<QListWidgetItem*>& items) const {
    return items.isEmpty() ? nullptr : NewCellData(items.front()->data(Qt::UserRole).toInt());
}

QStringList CSwObjTrayFrame::mimeTypes() const {
    return {QString::fromLatin1(kSwObjMimeType)};
}
