#pragma once

// The current scene's attributes and those of the ways into its children,
// edited in place through the document's scene edits.

#include "document/ScenewrightDoc.h"

#include <QTableWidget>

#include <vector>

class CScenewrightPropertyView : public QTableWidget, public IScenewrightView {
    Q_OBJECT
public:
    CScenewrightPropertyView(CScenewrightDoc& doc, IDocumentHost* host, QWidget* parent = nullptr);
    ~CScenewrightPropertyView() override;

    void OnDocumentUpdate(CScenewrightDoc& doc, const SwUpdate& update) override;
    void Rebuild();
    // Starts editing the title, as for a scene just added.
    void EditTitle();

    enum class Field {
        Title,
        Id,
        Kind,
        Procedure,
        RecordableLabel,
        ExpMyCond,
        ChildExpCond,
        ChildExp,
        ChildOnEnter,
        ChildOnLeave,
        ChildHint,
        ClearMsg,
        ChildClickFreeMapImage,
        MapImage,
        Layer,
        LinkTarget
    };
    struct Row {
        Field field;
        int child = -1; // the child's position for the child rows
    };
    const std::vector<Row>& Rows() const { return m_rows; }

private:
    void AddRow(const QString& label, Row row, CSwScene& scene);
    void OnItemChanged(QTableWidgetItem* item);
    // Stores the edited value; false when it was refused.
    bool Apply(const Row& row, QTableWidgetItem* item);
    bool ApplyLinkTarget(CSwScene& scene, const QString& text);
    void ShowError(const QString& message);

    CScenewrightDoc& m_doc;
    IDocumentHost* m_host;
    std::vector<Row> m_rows;
    bool m_filling = false;
    bool m_applying = false;
};
