#pragma once

// The build log: one line for each hint that prints one, each kind of line
// in its own colour. A double click on a line about a scene (and cell) asks
// to show that place.

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

signals:
    void placeActivated(int sceneId, int cell);

private:
    CScenewrightDoc& m_doc;
};
