#include "ui/ScenewrightView.h"

#include "document/DocumentUpdate.h"
#include "ui/FileDialogs.h"
#include "ui/QtText.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace {

constexpr double kMinZoom = 0.05;
constexpr double kMaxZoom = 4.0;
constexpr double kZoomStep = 1.25;
const QColor kTextColour(0x00, 0x00, 0x90);
const QColor kFrameColour(0xDF, 0xFF, 0xFF);

struct InsertItem {
    int mode;
    const char16_t* text;
    bool addsChild;
};
const InsertItem kInsertItems[] = {
    {CScenewrightDoc::kNewTopLevel, u"ルートシーンの新規作成", false},
    {CScenewrightDoc::kChoiceAsParent, u"選択肢シーンを親として追加", false},
    {CScenewrightDoc::kChoiceAsChild, u"選択肢シーンを子として追加", true},
    {CScenewrightDoc::kBranchAsParent, u"条件分岐シーンを親として追加", false},
    {CScenewrightDoc::kBranchAsChild, u"条件分岐シーンを子として追加", true},
    {CScenewrightDoc::kImageMapAsParent, u"イメージマップシーンを親として追加", false},
    {CScenewrightDoc::kImageMapAsChild, u"イメージマップシーンを子として追加", true},
    {CScenewrightDoc::kLinkAsChild, u"他シーンへのリンクを追加", true},
};

QRect ToQRect(const ChartRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

} // namespace

CScenewrightView::CScenewrightView(CScenewrightDoc& doc, QWidget* parent)
    : QAbstractScrollArea(parent), m_doc(doc) {
    // The chart's face: a Japanese gothic 10 pixels high, 5 wide a half-width
    // character.
    m_font = QFont(QStringLiteral("IPAGothic"));
    m_font.setPixelSize(10);
    m_font.setStyleHint(QFont::Monospace);
    m_font.setWeight(QFont::Normal);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(true);
    QPalette colours = viewport()->palette();
    colours.setColor(QPalette::Window, Qt::white);
    viewport()->setPalette(colours);
    setFocusPolicy(Qt::StrongFocus);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
    CreateActions();
    m_doc.AddView(this);
    Relayout();
}

CScenewrightView::~CScenewrightView() {
    m_doc.RemoveView(this);
}

void CScenewrightView::CreateActions() {
    m_insertMenu = new QMenu(QStringLiteral("挿入(&I)"), this);
    for (std::size_t i = 0; i < std::size(kInsertItems); ++i) {
        const InsertItem& item = kInsertItems[i];
        QAction* action = m_insertMenu->addAction(QString::fromUtf16(item.text));
        const int mode = item.mode;
        connect(action, &QAction::triggered, this, [this, mode] {
            if (m_blocked)
                return;
            // The author goes on with the new scene: chosen, shown, titled.
            if (CSwScene* added = m_doc.AddScene(mode)) {
                m_doc.SelectScene(added);
                EnsureVisible(*added);
                emit sceneAdded();
            }
        });
        m_insertActions[i] = action;
        if (i == 0)
            m_insertMenu->addSeparator();
    }
    // Delete deletes the scene while the chart has the focus (keyPressEvent),
    // which its own menu names; the main menu's item has a key of its own,
    // as Delete there deletes cells.
    const auto deleteScene = [this] {
        if (!m_blocked)
            m_doc.DeleteScene(m_doc.GetCurrentScene());
    };
    m_deleteAction = new QAction(QStringLiteral("シーンの削除(&L)"), this);
    m_deleteAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    connect(m_deleteAction, &QAction::triggered, this, deleteScene);
    m_popupDeleteAction = new QAction(QStringLiteral("削除\tDel"), this);
    connect(m_popupDeleteAction, &QAction::triggered, this, deleteScene);
    m_cutLinkAction = new QAction(QStringLiteral("リンクを切る"), this);
    connect(m_cutLinkAction, &QAction::triggered, this, [this] {
        if (!m_blocked)
            m_doc.CutLink(m_doc.GetCurrentScene());
    });
    m_findAction = new QAction(QStringLiteral("シーンの検索(&F)..."), this);
    m_findAction->setShortcut(QKeySequence::Find);
    connect(m_findAction, &QAction::triggered, this, &CScenewrightView::AskAndFind);
    m_zoomInAction = new QAction(QStringLiteral("拡大(&I)"), this);
    m_zoomInAction->setShortcut(QKeySequence::ZoomIn);
    connect(m_zoomInAction, &QAction::triggered, this,
            [this] { SetZoom(m_zoom * kZoomStep, viewport()->rect().center()); });
    m_zoomOutAction = new QAction(QStringLiteral("縮小(&O)"), this);
    m_zoomOutAction->setShortcut(QKeySequence::ZoomOut);
    connect(m_zoomOutAction, &QAction::triggered, this,
            [this] { SetZoom(m_zoom / kZoomStep, viewport()->rect().center()); });
    m_fitAction = new QAction(QStringLiteral("全体を表示(&W)"), this);
    m_fitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    connect(m_fitAction, &QAction::triggered, this, &CScenewrightView::ZoomToFit);

    m_popupMenu = new QMenu(this);
    m_popupMenu->addActions(m_insertMenu->actions());
    m_popupMenu->addSeparator();
    m_popupMenu->addAction(m_popupDeleteAction);
    m_popupMenu->addAction(m_cutLinkAction);
    m_popupMenu->addSeparator();
    m_popupMenu->addAction(QStringLiteral("キャンセル"));
    UpdateCommandStates();
}

QString CScenewrightView::EmptyChartHint() {
    return QStringLiteral("シーンがまだありません。\n"
                          "右クリック → ルートシーンの新規作成（または 挿入 メニュー）で、"
                          "最初のシーンを作れます。");
}

QAction* CScenewrightView::InsertAction(int mode) const {
    for (std::size_t i = 0; i < std::size(kInsertItems); ++i) {
        if (kInsertItems[i].mode == mode)
            return m_insertActions[i];
    }
    return nullptr;
}

void CScenewrightView::UpdateCommandStates() {
    const CSwScene* current = m_doc.GetCurrentScene();
    for (std::size_t i = 0; i < std::size(kInsertItems); ++i) {
        const InsertItem& item = kInsertItems[i];
        bool enabled =
            item.mode == CScenewrightDoc::kNewTopLevel ||
            (item.addsChild ? CScenewrightDoc::CanAddChildTo(current) : current != nullptr);
        m_insertActions[i]->setEnabled(enabled && !m_blocked);
    }
    m_deleteAction->setEnabled(current && !m_blocked);
    m_popupDeleteAction->setEnabled(current && !m_blocked);
    m_cutLinkAction->setEnabled(current && !m_blocked);
    m_findAction->setEnabled(m_doc.GetSceneCount() > 0 && !m_blocked);
}

void CScenewrightView::SetCommandsBlocked(bool blocked) {
    m_blocked = blocked;
    UpdateCommandStates();
}

void CScenewrightView::LoadIcons(const std::string& folder) {
    m_icons.Load(folder);
    const QSize box = m_icons.BoxSize();
    if (box.width() > 0 && box.height() > 0)
        m_layout.SetBoxSize(box.width(), box.height());
    Relayout();
    viewport()->update();
}

void CScenewrightView::Relayout() {
    m_layout.Layout(m_doc);
    UpdateScrollRange();
}

void CScenewrightView::OnDocumentUpdate(CScenewrightDoc& doc, const SwUpdate& update) {
    if (&doc != &m_doc)
        return;
    switch (update.change) {
    case SwChange::Opened:
        Relayout();
        // The author goes on where the project was left.
        if (const CSwScene* current = m_doc.GetCurrentScene())
            CenterOn(*current);
        break;
    case SwChange::Reset:
    case SwChange::Project:
        Relayout();
        break;
    case SwChange::SceneFields: // titles and conditions move no box
        break;
    case SwChange::SceneTree:
        Relayout();
        if (update.scene)
            EnsureVisible(*update.scene);
        break;
    case SwChange::Selection:
        // Undo and redo select what they changed, which the author must see.
        if (const CSwScene* current = m_doc.GetCurrentScene())
            EnsureVisible(*current);
        break;
    case SwChange::BuildFinished:
        if (m_doc.GetBuildStatus() != SwBuildStatus::Built) {
            if (CSwScene* stopped = m_doc.GetBuildingScene()) {
                // The scene itself, not whatever box its position hits
                // first: boxes of a crowded chart can overlap.
                m_doc.SetCurrentSceneQuietly(stopped);
                CenterOn(*stopped);
            }
        }
        break;
    case SwChange::Cells:
    case SwChange::Settings:
    case SwChange::History:
    case SwChange::BuildStarted:
        return;
    }
    UpdateCommandStates();
    viewport()->update();
}

void CScenewrightView::UpdateScrollRange() {
    const QSize client = viewport()->size();
    const CChartLayout::Size size = m_layout.ChartSize(m_doc, client.width(), client.height());
    const int width = static_cast<int>(std::ceil(size.width * m_zoom));
    const int height = static_cast<int>(std::ceil(size.height * m_zoom));
    horizontalScrollBar()->setRange(0, std::max(0, width - client.width()));
    verticalScrollBar()->setRange(0, std::max(0, height - client.height()));
    horizontalScrollBar()->setPageStep(client.width());
    verticalScrollBar()->setPageStep(client.height());
}

void CScenewrightView::SetZoom(double zoom, QPoint anchor) {
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    const double chartX = (anchor.x() + horizontalScrollBar()->value()) / m_zoom;
    const double chartY = (anchor.y() + verticalScrollBar()->value()) / m_zoom;
    m_zoom = zoom;
    UpdateScrollRange();
    horizontalScrollBar()->setValue(static_cast<int>(std::lround(chartX * m_zoom - anchor.x())));
    verticalScrollBar()->setValue(static_cast<int>(std::lround(chartY * m_zoom - anchor.y())));
    viewport()->update();
}

void CScenewrightView::ZoomToFit() {
    const QSize client = viewport()->size();
    const CChartLayout::Size size = m_layout.ChartSize(m_doc, client.width(), client.height());
    if (size.width <= 0 || size.height <= 0 || client.isEmpty())
        return;
    const double zoom =
        std::min({1.0, double(client.width()) / size.width, double(client.height()) / size.height});
    m_zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    UpdateScrollRange();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

QPoint CScenewrightView::ChartPointAt(QPoint viewportPoint) const {
    return QPoint(
        static_cast<int>(std::floor((viewportPoint.x() + horizontalScrollBar()->value()) / m_zoom)),
        static_cast<int>(std::floor((viewportPoint.y() + verticalScrollBar()->value()) / m_zoom)));
}

QRect CScenewrightView::VisibleChartRect() const {
    const QRectF shown(horizontalScrollBar()->value() / m_zoom,
                       verticalScrollBar()->value() / m_zoom, viewport()->width() / m_zoom,
                       viewport()->height() / m_zoom);
    return shown.toAlignedRect();
}

void CScenewrightView::CenterOn(const CSwScene& scene) {
    UpdateScrollRange();
    const double cx = (scene.x + m_layout.BoxWidth() / 2.0) * m_zoom;
    const double cy = (scene.y + m_layout.BoxHeight() / 2.0) * m_zoom;
    // The scroll bars stop at 0: never past the top-left corner.
    horizontalScrollBar()->setValue(static_cast<int>(cx - viewport()->width() / 2.0));
    verticalScrollBar()->setValue(static_cast<int>(cy - viewport()->height() / 2.0));
    viewport()->update();
}

void CScenewrightView::EnsureVisible(const CSwScene& scene) {
    UpdateScrollRange();
    // Room for the label lines above the box and the texts beside it.
    const QRect wanted(scene.x - 60, scene.y - 60, m_layout.BoxWidth() + 120,
                       m_layout.BoxHeight() + 80);
    auto reveal = [](QScrollBar* bar, double low, double high, int page) {
        if (low < bar->value())
            bar->setValue(static_cast<int>(low));
        else if (high > bar->value() + page)
            bar->setValue(static_cast<int>(std::min(low, high - page)));
    };
    reveal(horizontalScrollBar(), wanted.left() * m_zoom, (wanted.right() + 1) * m_zoom,
           viewport()->width());
    reveal(verticalScrollBar(), wanted.top() * m_zoom, (wanted.bottom() + 1) * m_zoom,
           viewport()->height());
}

void CScenewrightView::SelectAndShow(CSwScene* scene) {
    m_doc.SetCurrentCell(nullptr);
    m_doc.SelectScene(scene);
    if (scene)
        EnsureVisible(*scene);
}

bool CScenewrightView::FindAndSelect(const QString& text) {
    const QString wanted = text.trimmed();
    if (wanted.isEmpty() || m_doc.GetSceneCount() == 0)
        return false;
    bool isNumber = false;
    const int id = wanted.toInt(&isNumber);
    if (isNumber) {
        CSwScene* scene = m_doc.FindScene(id);
        if (scene) {
            SelectAndShow(scene);
            CenterOn(*scene);
        }
        return scene != nullptr;
    }
    const auto& scenes = m_doc.GetScenes();
    const int count = static_cast<int>(scenes.size());
    int start = 0;
    for (int i = 0; i < count; ++i) {
        if (scenes[static_cast<std::size_t>(i)].get() == m_doc.GetCurrentScene())
            start = i + 1;
    }
    for (int step = 0; step < count; ++step) {
        CSwScene* scene = scenes[static_cast<std::size_t>((start + step) % count)].get();
        if (sw::ui::FromCp932(scene->title).contains(wanted, Qt::CaseInsensitive) ||
            sw::ui::FromCp932(scene->comment).contains(wanted, Qt::CaseInsensitive)) {
            SelectAndShow(scene);
            CenterOn(*scene);
            return true;
        }
    }
    return false;
}

void CScenewrightView::AskAndFind() {
    if (m_blocked)
        return;
    QInputDialog ask(this);
    ask.setWindowTitle(QStringLiteral("シーンの検索"));
    ask.setLabelText(QStringLiteral("シーン番号、またはタイトルかコメントの一部："));
    ask.setCancelButtonText(sw::ui::CancelText());
    const bool ok = ask.exec() == QDialog::Accepted;
    const QString text = ask.textValue();
    if (ok && !FindAndSelect(text))
        emit message(QStringLiteral("「%1」に当たるシーンはありません。").arg(text));
}

void CScenewrightView::MoveSelection(int key) {
    CSwScene* current = m_doc.GetCurrentScene();
    CSwObj* next = nullptr;
    if (!current) {
        next = m_doc.GetFirstTopScene();
    } else {
        switch (key) {
        case Qt::Key_Up:
            next = current->parent;
            break;
        case Qt::Key_Down:
            next = CSwObj::GetFirstSibling(current->child);
            break;
        case Qt::Key_Left:
            next = current->prev;
            break;
        case Qt::Key_Right:
            next = current->next;
            break;
        }
    }
    if (next && SwType::IsScene(next->type))
        SelectAndShow(static_cast<CSwScene*>(next));
}

void CScenewrightView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    if (m_doc.GetSceneCount() == 0) {
        // A blank page tells a new author nothing.
        painter.setPen(QColor(0x60, 0x60, 0x80));
        painter.drawText(viewport()->rect(), Qt::AlignCenter | Qt::TextWordWrap, EmptyChartHint());
        return;
    }
    painter.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    painter.scale(m_zoom, m_zoom);
    PaintChart(painter, VisibleChartRect());
}

void CScenewrightView::PaintChart(QPainter& painter, const QRect& visible) const {
    painter.setFont(m_font);
    std::unordered_set<const CSwObj*> seen;
    for (CSwObj* each = m_doc.GetFirstTopScene(); each && SwType::IsScene(each->type);
         each = each->next) {
        if (!seen.insert(each).second)
            break;
        auto* top = static_cast<CSwScene*>(each);
        const QRect frame = ToQRect(m_layout.TreeFrame(*top));
        if (!frame.intersects(visible))
            continue;
        painter.fillRect(frame & visible, kFrameColour);
        if (!top->title.empty()) {
            painter.setPen(kTextColour);
            painter.drawText(frame.left(), frame.top() + painter.fontMetrics().ascent(),
                             sw::ui::FromCp932(top->title));
        }
        PaintTree(painter, top, visible);
    }
}

void CScenewrightView::PaintTree(QPainter& painter, CSwScene* top, const QRect& visible) const {
    struct Pending {
        CSwScene* scene;
        CSwScene* parent;
        int siblingIndex;
    };
    std::vector<Pending> stack{{top, nullptr, 0}};
    std::unordered_set<const CSwObj*> seen{top};
    while (!stack.empty()) {
        const Pending at = stack.back();
        stack.pop_back();
        PaintScene(painter, *at.scene, at.parent, at.siblingIndex, visible);
        std::vector<Pending> children;
        int index = 0;
        for (CSwObj* child = at.scene->child; child && SwType::IsScene(child->type);
             child = child->next) {
            if (!seen.insert(child).second)
                break;
            children.push_back({static_cast<CSwScene*>(child), at.scene, index++});
        }
        stack.insert(stack.end(), children.rbegin(), children.rend());
    }
}

std::string CScenewrightView::LabelOf(const CSwScene& scene, const CSwScene* parent,
                                      int siblingIndex) const {
    if (!parent || parent->type == SwType::SceneChoice)
        return scene.title;
    if (parent->type == SwType::SceneBranch)
        return scene.expcond;
    std::string area;
    if (parent->type == SwType::SceneImageMap)
        sw::ui::ToCp932(QStringLiteral("領域%1").arg(siblingIndex + 1), area);
    return area;
}

void CScenewrightView::PaintScene(QPainter& painter, const CSwScene& scene, const CSwScene* parent,
                                  int siblingIndex, const QRect& visible) const {
    const int w = m_layout.BoxWidth();
    const int h = m_layout.BoxHeight();
    if (parent) {
        const QPoint from(parent->x + w / 2, parent->y + h);
        const QPoint to(scene.x + w / 2, scene.y);
        const QPoint points[4] = {from, from + QPoint(0, 10), to - QPoint(0, 10), to};
        if (QRect(from, to).normalized().adjusted(-1, -1, 1, 1).intersects(visible)) {
            painter.setPen(Qt::black);
            painter.drawPolyline(points, 4);
        }
    }
    // The box with its label above, its number beside and its link below.
    const QRect extent(scene.x - 60, scene.y - 10 * CChartLayout::kMaxLabelLines - 2, w + 120,
                       h + 10 * CChartLayout::kMaxLabelLines + 16);
    if (!extent.intersects(visible))
        return;
    const QRect box(scene.x, scene.y, w, h);
    const QImage& icon = m_icons.ImageFor(scene.type, scene.select != 0);
    if (icon.isNull()) {
        painter.setPen(kTextColour);
        painter.setBrush(Qt::white);
        painter.drawRect(box.adjusted(0, 0, -1, -1));
        painter.setBrush(Qt::NoBrush);
    } else {
        painter.drawImage(box, icon);
    }
    const QFontMetrics metrics = painter.fontMetrics();
    struct LabelLine {
        QString text;
        QPoint at; // left end of the baseline
    };
    std::vector<LabelLine> label;
    const std::vector<std::string> lines =
        CChartLayout::LabelLines(LabelOf(scene, parent, siblingIndex));
    const int count = static_cast<int>(lines.size());
    int baseline = scene.y - 10 * count + 8;
    for (const std::string& line : lines) {
        const QString text = sw::ui::FromCp932(line);
        const int width = metrics.horizontalAdvance(text);
        const int left = count == 1 ? scene.x + w / 2 - width / 2 : scene.x + w / 2 - 50;
        // On the frame's colour: the line to the box runs up through the
        // label and would strike the text out.
        painter.fillRect(QRect(left, baseline - metrics.ascent(), width, metrics.height()),
                         kFrameColour);
        label.push_back({text, QPoint(left, baseline)});
        baseline += 10;
    }
    // Before the texts, so that the wide pen hides neither the number nor
    // the label's last line.
    if (scene.select != 0) {
        painter.setPen(QPen(Qt::red, 5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box.adjusted(-1, -1, 1, 1));
    }
    painter.setPen(kTextColour);
    for (const LabelLine& line : label)
        painter.drawText(line.at, line.text);
    if (scene.type == SwType::SceneLink) {
        const QString target =
            scene.linkto ? QString::number(scene.linkto->id) : QStringLiteral("?");
        const QString text = QStringLiteral("(%1へ)").arg(target);
        painter.drawText(scene.x + w / 2 - metrics.horizontalAdvance(text) / 2,
                         scene.y + h + 2 + metrics.ascent(), text);
    }
    painter.drawText(scene.x + w + 2, scene.y + metrics.ascent(), QString::number(scene.id));
}

void CScenewrightView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
}

void CScenewrightView::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    if (!m_icons.IsLoaded())
        LoadIcons(CChartIcons::DefaultFolder());
}

void CScenewrightView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (m_blocked || (event->button() != Qt::LeftButton && event->button() != Qt::RightButton))
        return;
    const QPoint point = ChartPointAt(event->position().toPoint());
    CSwScene* scene = m_layout.SceneAt(m_doc, point.x(), point.y());
    // The popup menu acts on the scene under the pointer; a right click
    // beside every box keeps the selection.
    if (event->button() == Qt::RightButton &&
        (scene == nullptr || scene == m_doc.GetCurrentScene()))
        return;
    m_doc.SetCurrentCell(nullptr);
    m_doc.SelectScene(scene);
}

void CScenewrightView::mouseMoveEvent(QMouseEvent* event) {
    m_lastPointer = event->position().toPoint();
    const QPoint point = ChartPointAt(m_lastPointer);
    emit pointerMoved(point.x(), point.y());
}

void CScenewrightView::contextMenuEvent(QContextMenuEvent* event) {
    m_lastPointer = event->pos();
    UpdateCommandStates();
    m_popupMenu->exec(event->globalPos());
}

void CScenewrightView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    const double steps = event->angleDelta().y() / 120.0;
    if (steps != 0)
        SetZoom(m_zoom * std::pow(kZoomStep, steps), event->position().toPoint());
    event->accept();
}

void CScenewrightView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (!m_blocked && event->modifiers() == Qt::NoModifier) {
            MoveSelection(event->key());
            return;
        }
        break;
    case Qt::Key_Delete:
        if (event->modifiers() == Qt::NoModifier) {
            m_deleteAction->trigger();
            return;
        }
        break;
    }
    QAbstractScrollArea::keyPressEvent(event);
}
