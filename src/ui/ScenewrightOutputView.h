#pragma once

// The build log: one line for each hint that prints one, each kind of line
// in its own colour.

#include "document/ScenewrightDoc.h"

#include <QColor>
#include <QListWidget>

class CScenewrightOutputView : public QListWidget, public IScenewrightView {
    Q_OBJECT
public:
    explicit CScenewrightOutputView(CScenewrightDoc& doc, QWidget* parent = nullptr);
    ~CScenewrightOutputView() override;

    void OnDocumentUpdate(CScenewrightDoc* doc, int hint) override;

    // The colour of a line printed for `hint`.
    static QColor ColourForHint(int hint);

private:
    CScenewrightDoc& m_doc;
};
