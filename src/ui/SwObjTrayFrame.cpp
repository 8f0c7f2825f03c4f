#include "ui/SwObjTrayFrame.h"

#include "document/CellCommands.h"
#include "model/SwObj.h"
#include "model/cells/CommandCatalogue.h"
#include "model/cells/CreateObject.h"
#include "ui/CellIcons.h"
#include "ui/ListStylePageView.h"
#include "ui/QtText.h"

#include <QMimeData>

namespace {

// The families of the catalogue, each named before its first type.
struct Family {
    std::int32_t firstType;
    const char* name;
};
const Family kFamilies[] = {
    {SwType::Message, "文章"}, {SwType::Layer, "レイヤと画像"}, {SwType::Label, "ラベルと変数"},
    {SwType::BgmPlay, "音"},   {SwType::Eval, "スクリプト"},    {SwType::Quake, "演出と流れ"},
};

} // namespace

CSwObjTrayFrame::CSwObjTrayFrame(QWidget* parent) : QListWidget(parent) {
    setWindowTitle(QStringLiteral("オブジェクトトレイ"));
    setObjectName(QStringLiteral("ObjectTray"));
    // One row per type with its icon, in the catalogue's order, each family
    // of cells under its name.
    setIconSize(QSize(24, 24));
    setUniformItemSizes(true);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    QFont heading = font();
    heading.setBold(true);
    for (const CommandTypeInfo& info : CommandCatalogue()) {
        if (!info.trayName)
            continue;
        for (const Family& family : kFamilies) {
            if (family.firstType == info.type) {
                auto* header = new QListWidgetItem(QString::fromUtf8(family.name), this);
                header->setFlags(Qt::ItemIsEnabled);
                header->setFont(heading);
                header->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
            }
        }
        auto* item =
            new QListWidgetItem(CellIcon(info.type), sw::ui::FromCp932(info.trayName), this);
        item->setData(Qt::UserRole, info.type);
        item->setToolTip(QStringLiteral("セルの一覧へドラッグすると、%1のセルを追加します。")
                             .arg(sw::ui::FromCp932(info.listName)));
    }
}

QListWidgetItem* CSwObjTrayFrame::ItemOf(std::int32_t type) const {
    for (int row = 0; row < count(); ++row) {
        if (item(row)->data(Qt::UserRole).toInt() == type)
            return item(row);
    }
    return nullptr;
}

int CSwObjTrayFrame::TypeCount() const {
    int types = 0;
    for (int row = 0; row < count(); ++row)
        types += item(row)->data(Qt::UserRole).isValid() ? 1 : 0;
    return types;
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
    if (items.isEmpty() || !items.front()->data(Qt::UserRole).isValid())
        return nullptr;
    return NewCellData(items.front()->data(Qt::UserRole).toInt());
}

QStringList CSwObjTrayFrame::mimeTypes() const {
    return {QString::fromLatin1(kSwObjMimeType)};
}
