#include "ui/ScenewrightPrjTreeView.h"

#include "document/CellCommands.h"
#include "document/DocumentUpdate.h"
#include "ui/QtText.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace {

const char16_t* const kListNames[] = {u"背景画像", u"前景画像",   u"他の画像", u"rule画像",
                                      u"ＢＧＭ",   u"効果音(SE)", u"動画"};

} // namespace

CScenewrightPrjTreeView::CScenewrightPrjTreeView(CScenewrightDoc& doc, QWidget* parent)
    : QTreeWidget(parent), m_doc(doc) {
    setHeaderHidden(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    m_root = new QTreeWidgetItem(this, QStringList(QStringLiteral("root")));
    for (const char16_t* name : kListNames)
        new QTreeWidgetItem(m_root, QStringList(QString::fromUtf16(name)));
    m_root->setExpanded(true);
    Rebuild();
    m_doc.AddView(this);
}

CScenewrightPrjTreeView::~CScenewrightPrjTreeView() {
    m_doc.RemoveView(this);
}

QTreeWidgetItem* CScenewrightPrjTreeView::ListItem(int index) const {
    return m_root->child(index);
}

void CScenewrightPrjTreeView::OnDocumentUpdate(CScenewrightDoc& doc, const SwUpdate& update) {
    if (&doc != &m_doc)
        return;
    switch (update.change) {
    case SwChange::Reset:
    case SwChange::Opened:
    case SwChange::Project:
    case SwChange::Settings:
        Rebuild();
        break;
    default:
        break;
    }
}

void CScenewrightPrjTreeView::FillList(QTreeWidgetItem* item,
                                       const std::vector<std::string>& paths) {
    qDeleteAll(item->takeChildren());
    for (const std::string& path : paths)
        new QTreeWidgetItem(item, QStringList(sw::ui::FromCp932(path)));
}

void CScenewrightPrjTreeView::Rebuild() {
    const CSwSettings& settings = m_doc.GetSettings();
    const std::vector<std::string>* lists[] = {
        &settings.backcg, &settings.forecg, &settings.othercg, &settings.rulecg,
        &settings.bgm,    &settings.se,     &settings.movie};
    for (int i = 0; i < 7; ++i)
        FillList(ListItem(i), *lists[i]);
}

int CScenewrightPrjTreeView::DropFiles(const QTreeWidgetItem* target, const QStringList& paths) {
    if (target != ListItem(0) || m_doc.GetSceneCount() == 0)
        return 0;
    std::vector<std::string> converted;
    for (const QString& path : paths) {
        std::string bytes;
        if (sw::ui::PathToCp932(path, bytes))
            converted.push_back(std::move(bytes));
    }
    const int added = sw::cells::AddBackgroundPaths(m_doc, converted);
    if (added > 0)
        ListItem(0)->setExpanded(true);
    return added;
}

bool CScenewrightPrjTreeView::AcceptsDropAt(const QPoint& point) const {
    return itemAt(point) == ListItem(0) && m_doc.GetSceneCount() > 0;
}

void CScenewrightPrjTreeView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void CScenewrightPrjTreeView::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls() && AcceptsDropAt(event->position().toPoint()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CScenewrightPrjTreeView::dropEvent(QDropEvent* event) {
    const QPoint point = event->position().toPoint();
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    if (AcceptsDropAt(point) && DropFiles(itemAt(point), paths) > 0)
        event->acceptProposedAction();
    else
        event->ignore();
}
