#pragma once

// The project tree: the media lists of the project settings. Picture files
// dropped onto the background item join the background list.

#include "document/ScenewrightDoc.h"

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
    // Adds the files to the background list when `target` is its item and
    // the project has a scene; the number of paths added.
    int DropFiles(const QTreeWidgetItem* target, const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool AcceptsDropAt(const QPoint& point) const;
    void FillList(QTreeWidgetItem* item, const std::vector<std::string>& paths);

    CScenewrightDoc& m_doc;
    QTreeWidgetItem* m_root = nullptr;
};
