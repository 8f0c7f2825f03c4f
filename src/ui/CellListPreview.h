#pragma once

// A read-only list of the current scene's cells in the right column, until
// the cell list with its editing commands takes its place.

#include "document/ScenewrightDoc.h"

#include <QListWidget>

class CCellListPreview : public QListWidget, public IScenewrightView {
    Q_OBJECT
public:
    explicit CCellListPreview(CScenewrightDoc& doc, QWidget* parent = nullptr);
    ~CCellListPreview() override;

    void OnDocumentUpdate(CScenewrightDoc* doc, int hint) override;
    void Rebuild();

private:
    CScenewrightDoc& m_doc;
};
