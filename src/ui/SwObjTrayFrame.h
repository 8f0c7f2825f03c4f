#pragma once

// The object tray, docked beside the cell list: one icon per cell type,
// dragged onto the cell list to add a new cell of that type.

#include <QListWidget>

#include <cstdint>

class QMimeData;

class CSwObjTrayFrame : public QListWidget {
    Q_OBJECT
public:
    explicit CSwObjTrayFrame(QWidget* parent = nullptr);

    // The drag data of a new, reset cell of `type`; null for unknown types.
    static QMimeData* NewCellData(std::int32_t type);
    // The row of a type; null for the families' headings and unknown types.
    QListWidgetItem* ItemOf(std::int32_t type) const;
    int TypeCount() const;

protected:
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
    QStringList mimeTypes() const override;
};
