#include "ui/ScenewrightPrjTreeView.h"

#include "document/CellCommands.h"
#include "document/DocumentUpdate.h"
#include "imaging/Decoders.h"
#include "ui/DibImage.h"
#include "ui/FileDialogs.h"
#include "ui/QtText.h"

#include <QBuffer>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHelpEvent>
#include <QMenu>
#include <QMimeData>
#include <QToolTip>
#include <QUrl>

namespace {

const char16_t* const kListNames[] = {u"背景画像", u"前景画像",   u"他の画像", u"rule画像",
                                      u"ＢＧＭ",   u"効果音(SE)", u"動画"};

// The file chooser's filter of each list.
const char16_t* const kListFilters[] = {
    u"画像 (*.bmp *.jpg *.jpeg *.png);;すべてのファイル (*)",
    u"画像 (*.bmp *.jpg *.jpeg *.png);;すべてのファイル (*)",
    u"画像 (*.bmp *.jpg *.jpeg *.png);;すべてのファイル (*)",
    u"画像 (*.bmp *.jpg *.jpeg *.png);;すべてのファイル (*)",
    u"音楽 (*.wav *.ogg *.opus *.mp3 *.mid);;すべてのファイル (*)",
    u"効果音 (*.wav *.ogg *.opus *.mp3);;すべてのファイル (*)",
    u"動画 (*.mpg *.mpeg *.avi *.wmv *.mp4);;すべてのファイル (*)",
};

bool IsPicture(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QStringLiteral("png") || suffix == QStringLiteral("bmp") ||
           suffix == QStringLiteral("jpg") || suffix == QStringLiteral("jpeg");
}

} // namespace

CScenewrightPrjTreeView::CScenewrightPrjTreeView(CScenewrightDoc& doc, QWidget* parent)
    : QTreeWidget(parent), m_doc(doc) {
    setHeaderHidden(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_root = new QTreeWidgetItem(this, QStringList(QStringLiteral("root")));
    for (const char16_t* name : kListNames)
        new QTreeWidgetItem(m_root, QStringList(QString::fromUtf16(name)));
    m_root->setExpanded(true);
    m_menu = new QMenu(this);
    Rebuild();
    m_doc.AddView(this);
}

CScenewrightPrjTreeView::~CScenewrightPrjTreeView() {
    m_doc.RemoveView(this);
}

QTreeWidgetItem* CScenewrightPrjTreeView::ListItem(int index) const {
    return m_root->child(index);
}

int CScenewrightPrjTreeView::ListOf(const QTreeWidgetItem* item) const {
    for (; item; item = item->parent()) {
        if (item->parent() == m_root)
            return m_root->indexOfChild(const_cast<QTreeWidgetItem*>(item));
    }
    return -1;
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
    for (const std::string& path : paths) {
        const QString shown = sw::ui::FromCp932(path);
        auto* file = new QTreeWidgetItem(item, QStringList(QFileInfo(shown).fileName()));
        file->setData(0, Qt::UserRole, shown);
    }
}

void CScenewrightPrjTreeView::Rebuild() {
    const CSwSettings& settings = m_doc.GetSettings();
    for (int i = 0; i < CSwSettings::kMediaListCount; ++i)
        FillList(ListItem(i), *settings.MediaPaths(i));
}

int CScenewrightPrjTreeView::DropFiles(const QTreeWidgetItem* target, const QStringList& paths) {
    const int list = ListOf(target);
    if (list < 0 || m_doc.GetSceneCount() == 0)
        return 0;
    std::vector<std::string> converted;
    for (const QString& path : paths) {
        std::string bytes;
        if (sw::ui::PathToCp932(path, bytes))
            converted.push_back(std::move(bytes));
    }
    const int added = sw::cells::AddMediaPaths(m_doc, list, converted);
    if (added > 0)
        ListItem(list)->setExpanded(true);
    return added;
}

int CScenewrightPrjTreeView::RemoveSelectedFiles() {
    std::vector<std::vector<std::string>> byList(CSwSettings::kMediaListCount);
    for (const QTreeWidgetItem* item : selectedItems()) {
        const int list = ListOf(item);
        std::string path;
        if (list >= 0 && item->parent() == ListItem(list) &&
            sw::ui::ToCp932(item->data(0, Qt::UserRole).toString(), path))
            byList[static_cast<std::size_t>(list)].push_back(path);
    }
    int removed = 0;
    for (int list = 0; list < CSwSettings::kMediaListCount; ++list) {
        if (!byList[static_cast<std::size_t>(list)].empty())
            removed +=
                sw::cells::RemoveMediaPaths(m_doc, list, byList[static_cast<std::size_t>(list)]);
    }
    return removed;
}

void CScenewrightPrjTreeView::AddFiles(int list) {
    const QStringList chosen = sw::ui::ChooseFilesToOpen(
        this, QStringLiteral("%1に追加").arg(QString::fromUtf16(kListNames[list])),
        QString::fromUtf16(kListFilters[list]), m_doc);
    if (!chosen.isEmpty())
        DropFiles(ListItem(list), chosen);
}

void CScenewrightPrjTreeView::OpenFolderOf(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

QMenu* CScenewrightPrjTreeView::MenuFor(QTreeWidgetItem* item) {
    m_menu->clear();
    const int list = ListOf(item);
    if (list < 0)
        return nullptr;
    QAction* add =
        m_menu->addAction(QStringLiteral("追加(&A)..."), this, [this, list] { AddFiles(list); });
    add->setEnabled(m_doc.GetSceneCount() > 0);
    const bool isFile = item->parent() == ListItem(list);
    QAction* remove =
        m_menu->addAction(QStringLiteral("削除(&D)"), this, [this] { RemoveSelectedFiles(); });
    remove->setEnabled(isFile);
    const QString path = isFile ? item->data(0, Qt::UserRole).toString() : QString();
    QAction* open = m_menu->addAction(QStringLiteral("フォルダを開く(&O)"), this,
                                      [this, path] { OpenFolderOf(path); });
    open->setEnabled(isFile);
    return m_menu;
}

void CScenewrightPrjTreeView::contextMenuEvent(QContextMenuEvent* event) {
    QTreeWidgetItem* item = itemAt(viewport()->mapFromGlobal(event->globalPos()));
    if (item && !item->isSelected()) {
        clearSelection();
        item->setSelected(true);
    }
    if (QMenu* menu = item ? MenuFor(item) : nullptr)
        menu->exec(event->globalPos());
}

QString CScenewrightPrjTreeView::TooltipOf(const QString& path) {
    const auto cached = m_tooltips.constFind(path);
    if (cached != m_tooltips.constEnd())
        return *cached;
    QString html = path.toHtmlEscaped();
    std::string file;
    if (IsPicture(path) && sw::ui::PathToCp932(path, file)) {
        // Through the program's own decoders: what shows here is what the
        // check and the dialogs see.
        if (const std::optional<SwDib> dib = sw::imaging::DecodePictureFile(file)) {
            const QImage image = sw::ui::DibToQImage(*dib);
            if (!image.isNull()) {
                QByteArray png;
                QBuffer buffer(&png);
                buffer.open(QIODevice::WriteOnly);
                image.scaled(160, 120, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                    .save(&buffer, "PNG");
                html = QStringLiteral("<img src=\"data:image/png;base64,%1\"><br>%2 (%3×%4)")
                           .arg(QString::fromLatin1(png.toBase64()), html)
                           .arg(image.width())
                           .arg(image.height());
            }
        } else {
            html += QStringLiteral("<br>(表示できない画像です)");
        }
    }
    m_tooltips.insert(path, html);
    return html;
}

bool CScenewrightPrjTreeView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QTreeWidgetItem* item = itemAt(help->pos());
        const QString path = item ? item->data(0, Qt::UserRole).toString() : QString();
        if (path.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), TooltipOf(path), viewport());
        }
        return true;
    }
    return QTreeWidget::viewportEvent(event);
}

bool CScenewrightPrjTreeView::AcceptsDropAt(const QPoint& point) const {
    return ListOf(itemAt(point)) >= 0 && m_doc.GetSceneCount() > 0;
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
