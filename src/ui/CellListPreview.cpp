#include "ui/CellListPreview.h"

#include "commands/CommandCatalogue.h"
#include "document/DocumentHints.h"
#include "ui/QtText.h"

CCellListPreview::CCellListPreview(CScenewrightDoc& doc, QWidget* parent)
    : QListWidget(parent), m_doc(doc) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    m_doc.AddView(this);
}

CCellListPreview::~CCellListPreview() {
    m_doc.RemoveView(this);
}

void CCellListPreview::OnDocumentUpdate(CScenewrightDoc* doc, int hint) {
    if (doc == &m_doc && hint <= SwHint::BuildFinished)
        Rebuild();
}

void CCellListPreview::Rebuild() {
    clear();
    const CSwScene* scene = m_doc.GetCurrentScene();
    if (!scene)
        return;
    for (const auto& cell : scene->cells) {
        const CommandTypeInfo* info = FindCommandType(cell->type);
        if (!info || !info->listName)
            continue;
        QString text = sw::ui::FromCp932(info->listName);
        if (!cell->comment.empty())
            text += QStringLiteral("  ") + sw::ui::FromCp932(cell->comment);
        addItem(text);
    }
}
