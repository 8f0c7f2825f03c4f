#pragma once

// The KAG text the current scene would produce, kept up to date with the
// document; nothing is built or copied for it.

#include "document/ScenewrightDoc.h"

#include <QDockWidget>

class QPlainTextEdit;

class CScenePreviewDock : public QDockWidget, public IScenewrightView {
    Q_OBJECT
public:
    explicit CScenePreviewDock(CScenewrightDoc& doc, QWidget* parent = nullptr);
    ~CScenePreviewDock() override;

    void OnDocumentUpdate(CScenewrightDoc& doc, const SwUpdate& update) override;
    void Refresh();
    QPlainTextEdit* Text() const { return m_text; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    CScenewrightDoc& m_doc;
    QPlainTextEdit* m_text = nullptr;
    bool m_stale = false;
};
