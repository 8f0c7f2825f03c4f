#include "ui/SwObjTrayFrame.h"

#include "commands/CommandCatalogue.h"
#include "commands/CreateObject.h"
#include "document/CellCommands.h"
#include "model/SwObj.h"
#include "ui/ListStylePageView.h"
#include "ui/QtText.h"

#include <QMimeData>
#include <QStyle>

CSwObjTrayFrame::CSwObjTrayFrame(QWidget* parent) : QListWidget(parent) {
    setWindowTitle(QStringLiteral("オブジェクトトレイ"));
    setWindowFlag(Qt::Tool);
    setViewMode(QListView::IconMode);
    setIconSize(QSize(32, 32));
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    const QIcon icon = style()->standardIcon(QStyle::SP_FileIcon);
    for (const CommandTypeInfo& info : CommandCatalogue()) {
        if (!info.trayName)
            continue;
        auto* item = new QListWidgetItem(icon, sw::ui::FromCp932(info.trayName), this);
        item->setData(Qt::UserRole, info.type);
    }
}

QMimeData* CSwObjTrayFrame::NewCellData(std::int32_t type) {
    std::vector<std::unique_ptr<CSwObj>> cells;
    cells.push_back(CreateObject(type));
    if (!cells.back())
        return nullptr;
    const std::string text = sw::cells::CellsToText(cells);
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kSwObjMimeType), QByteArray(text.data(), qsizetype(text.size())));
    return data;
}

QMimeData* CSwObjTrayFrame::mimeData(const QList<QListWidgetItem*>& items) const {
    return items.isEmpty() ? nullptr : NewCellData(items.front()->data(Qt::UserRole).toInt());
}

QStringList CSwObjTrayFrame::mimeTypes() const {
    return {QString::fromLatin1(kSwObjMimeType)};
}
