#include "ui/ScenePreviewDock.h"

#include "document/DocumentUpdate.h"
#include "scenario/ScenePreview.h"
#include "ui/QtText.h"

#include <QFont>
#include <QPlainTextEdit>

CScenePreviewDock::CScenePreviewDock(CScenewrightDoc& doc, QWidget* parent)
    : QDockWidget(QStringLiteral("スクリプトプレビュー"), parent), m_doc(doc) {
    setObjectName(QStringLiteral("ScenePreviewDock"));
    m_text = new QPlainTextEdit(this);
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont face(QStringLiteral("IPAGothic"));
    face.setPixelSize(12);
    m_text->setFont(face);
    setWidget(m_text);
    m_doc.AddView(this);
    Refresh();
}

CScenePreviewDock::~CScenePreviewDock() {
    m_doc.RemoveView(this);
}

void CScenePreviewDock::showEvent(QShowEvent* event) {
    QDockWidget::showEvent(event);
    if (m_stale)
        Refresh();
}

void CScenePreviewDock::OnDocumentUpdate(CScenewrightDoc& doc, const SwUpdate& update) {
    if (&doc != &m_doc)
        return;
    switch (update.change) {
    case SwChange::History:
    case SwChange::BuildStarted:
    case SwChange::BuildFinished:
        return;
    case SwChange::Cells:
    case SwChange::SceneFields:
        if (update.scene != m_doc.GetCurrentScene())
            return;
        break;
    default:
        break;
    }
    // A hidden dock need not write the scene's text at every change.
    if (isVisible())
        Refresh();
    else
        m_stale = true;
}

void CScenePreviewDock::Refresh() {
    m_stale = false;
    CSwScene* scene = m_doc.GetCurrentScene();
    if (scene == nullptr) {
        m_text->setPlainText(QString());
        return;
    }
    const ScenePreview preview = PreviewSceneScript(m_doc, *scene);
    QString text = sw::ui::FromCp932(preview.text);
    for (const std::string& problem : preview.problems)
        text += QStringLiteral("; ") + sw::ui::FromCp932(problem) + QStringLiteral("\n");
    if (!preview.complete)
        text += QStringLiteral("; ここから先はビルドできません。\n");
    m_text->setPlainText(text);
}
