#pragma once

// The project tree: the media lists of the project settings. Files dropped
// onto a list (or added through its menu) join it; a picture's tooltip
// shows it.

#include "document/ScenewrightDoc.h"

#include <QHash>
#include <QTreeWidget>

class CScenewrightPrjTreeView : public QTreeWidget, public IScenewrightView {
    Q_OBJECT
public:
    explicit CScenewrightPrjTreeView(CScenewrightDoc& doc, QWidget* parent = nullptr);
    ~CScenewrightPrjTreeView() override;

    void OnDocumentUpdate(CScenewrightDoc& doc, const SwUpdate& update) override;
    void Rebuild();

    // The item of a media list, 0 to 6 in the order backcg, forecg, othercg,
    // rulecg, bgm, se, movie.
    QTreeWidgetItem* ListItem(int index) const;
    // The list an item belongs to (the list's own item or one of its
    // files); -1 for the root.
    int ListOf(const QTreeWidgetItem* item) const;
    // Adds the files to the list of `target` when the project has a scene;
    // the number of paths added.
    int DropFiles(const QTreeWidgetItem* target, const QStringList& paths);
    // Removes the selected files from their lists; the number removed.
    int RemoveSelectedFiles();
    // The menu of an item: 追加..., 削除, フォルダを開く.
    QMenu* MenuFor(QTreeWidgetItem* item);
    // The HTML of a picture file's tooltip: the picture, scaled down, then
    // its path; the path alone for anything else.
    QString TooltipOf(const QString& path);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool AcceptsDropAt(const QPoint& point) const;
    void FillList(QTreeWidgetItem* item, const std::vector<std::string>& paths);
    void AddFiles(int list);
    void OpenFolderOf(const QString& path);

    CScenewrightDoc& m_doc;
    QTreeWidgetItem* m_root = nullptr;
    QHash<QString, QString> m_tooltips; // by path
    QMenu* m_menu = nullptr;
};
