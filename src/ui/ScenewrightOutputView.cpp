#include "ui/ScenewrightOutputView.h"

#include "document/DocumentHints.h"
#include "document/LogLine.h"
#include "ui/QtText.h"

#include <QFont>
#include <QScrollBar>

namespace {
constexpr int kSceneRole = Qt::UserRole;
constexpr int kCellRole = Qt::UserRole + 1;
} // namespace

CScenewrightOutputView::CScenewrightOutputView(CScenewrightDoc& doc, QWidget* parent)
    : QListWidget(parent), m_doc(doc) {
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    QFont face(QStringLiteral("IPAGothic"));
    face.setPixelSize(12);
    setFont(face);
    m_doc.AddView(this);
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const QVariant scene = item->data(kSceneRole);
        if (scene.isValid())
            emit placeActivated(scene.toInt(), item->data(kCellRole).toInt());
    });
}

CScenewrightOutputView::~CScenewrightOutputView() {
    m_doc.RemoveView(this);
}

QColor CScenewrightOutputView::ColourForHint(int hint) {
    if (hint == SwHint::BuildFinished)
        return QColor(0x00, 0x00, 0x90);
    switch (LogLineKindForHint(hint)) {
    case LogLineKind::Ok:
        return QColor(0x00, 0x70, 0x20);
    case LogLineKind::Error:
        return QColor(0xC0, 0x00, 0x00);
    case LogLineKind::Warning:
        return QColor(0xA0, 0x60, 0x00);
    case LogLineKind::Plain:
        break;
    }
    return QColor(Qt::black);
}

void CScenewrightOutputView::OnDocumentUpdate(CScenewrightDoc* doc, int hint) {
    const std::string line = LogLineForHint(*doc, hint);
    if (line.empty())
        return;
    // Keep following the end only when the reader is there already.
    const bool atEnd = verticalScrollBar()->value() == verticalScrollBar()->maximum();
    auto* item = new QListWidgetItem(sw::ui::FromCp932(line), this);
    item->setForeground(ColourForHint(hint));
    std::int32_t sceneId = 0;
    int cell = -1;
    if (PlaceOfLogLine(line, sceneId, cell)) {
        item->setData(kSceneRole, sceneId);
        item->setData(kCellRole, cell);
    }
    if (atEnd)
        scrollToBottom();
}
