#include "ui/ScenewrightPropertyView.h"

#include "document/DocumentHints.h"
#include "ui/QtText.h"

#include <QHeaderView>

#include <algorithm>
#include <cstdlib>

namespace {

QString KindName(std::int32_t type) {
    switch (type) {
    case SwType::SceneLink:
        return QStringLiteral("他へのリンク");
    case SwType::SceneBranch:
        return QStringLiteral("条件分岐");
    case SwType::SceneImageMap:
        return QStringLiteral("イメージマップ");
    default:
        return QStringLiteral("選択肢");
    }
}

bool IsCheckField(CScenewrightPropertyView::Field field) {
    using F = CScenewrightPropertyView::Field;
    return field == F::Procedure || field == F::RecordableLabel || field == F::ClearMsg ||
           field == F::ChildClickFreeMapImage;
}

CSwScene* ChildAt(const CSwScene& scene, int index) {
    return static_cast<CSwScene*>(CSwObj::GetChildAt(&scene, index));
}

// The text member a row shows, null for rows that are no plain text.
std::string* TextOf(CSwScene& scene, const CScenewrightPropertyView::Row& row) {
    using F = CScenewrightPropertyView::Field;
    CSwScene* child = row.child >= 0 ? ChildAt(scene, row.child) : nullptr;
    switch (row.field) {
    case F::Title:
        return &scene.title;
    case F::ExpMyCond:
        return &scene.expmycond;
    case F::MapImage:
        return &scene.mapimage;
    case F::Layer:
        return &scene.layer;
    case F::ChildExpCond:
        return child ? &child->expcond : nullptr;
    case F::ChildExp:
        return child ? &child->exp : nullptr;
    case F::ChildOnEnter:
        return child ? &child->onenter : nullptr;
    case F::ChildOnLeave:
        return child ? &child->onleave : nullptr;
    case F::ChildHint:
        return child ? &child->hint : nullptr;
    default:
        return nullptr;
    }
}

std::int32_t* FlagOf(CSwScene& scene, const CScenewrightPropertyView::Row& row) {
    using F = CScenewrightPropertyView::Field;
    switch (row.field) {
    case F::Procedure:
        return &scene.procedure;
    case F::RecordableLabel:
        return &scene.recordablelabel;
    case F::ClearMsg:
        return &scene.clearmsg;
    case F::ChildClickFreeMapImage:
        if (CSwScene* child = ChildAt(scene, row.child))
            return &child->clickfreemapimage;
        return nullptr;
    default:
        return nullptr;
    }
}

} // namespace

CScenewrightPropertyView::CScenewrightPropertyView(CScenewrightDoc& doc, IDocumentHost* host,
                                                   QWidget* parent)
    : QTableWidget(0, 3, parent), m_doc(doc), m_host(host) {
    setHorizontalHeaderLabels(
        {QStringLiteral("項目名"), QStringLiteral("内容"), QStringLiteral("備考")});
    setColumnWidth(0, 64);
    setColumnWidth(1, 128);
    setColumnWidth(2, 64);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed);
    connect(this, &QTableWidget::itemChanged, this, &CScenewrightPropertyView::OnItemChanged);
    m_doc.AddView(this);
    Rebuild();
}

CScenewrightPropertyView::~CScenewrightPropertyView() {
    m_doc.RemoveView(this);
}

void CScenewrightPropertyView::OnDocumentUpdate(CScenewrightDoc* doc, int hint) {
    // Log lines change no scene; a build posts thousands of them.
    if (doc != &m_doc || hint > SwHint::BuildFinished)
        return;
    if (m_applying) // the table's own edit is still under way
        QMetaObject::invokeMethod(this, &CScenewrightPropertyView::Rebuild, Qt::QueuedConnection);
    else
        Rebuild();
}

void CScenewrightPropertyView::AddRow(const QString& label, Row row, CSwScene& scene) {
    const int index = rowCount();
    insertRow(index);
    auto* name = new QTableWidgetItem(label);
    name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    setItem(index, 0, name);
    auto* note = new QTableWidgetItem();
    note->setFlags(Qt::ItemIsEnabled);
    setItem(index, 2, note);

    auto* value = new QTableWidgetItem();
    if (IsCheckField(row.field)) {
        const std::int32_t* flag = FlagOf(scene, row);
        Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
        if (row.field != Field::Procedure || !scene.parent)
            flags |= Qt::ItemIsEnabled;
        value->setFlags(flags);
        value->setCheckState(flag && *flag ? Qt::Checked : Qt::Unchecked);
    } else if (row.field == Field::Id) {
        value->setText(QString::number(scene.id));
        value->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    } else if (row.field == Field::Kind) {
        value->setText(KindName(scene.type));
        value->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    } else if (row.field == Field::LinkTarget) {
        value->setText(scene.linkto ? QString::number(scene.linkto->id) : QString());
    } else if (const std::string* text = TextOf(scene, row)) {
        value->setText(sw::ui::FromCp932(*text));
    }
    setItem(index, 1, value);
    m_rows.push_back(row);
}

void CScenewrightPropertyView::Rebuild() {
    m_filling = true;
    setRowCount(0);
    m_rows.clear();
    if (CSwScene* scene = m_doc.GetCurrentScene()) {
        AddRow(QStringLiteral("タイトル"), {Field::Title}, *scene);
        AddRow(QStringLiteral("ID"), {Field::Id}, *scene);
        AddRow(QStringLiteral("タイプ"), {Field::Kind}, *scene);
        AddRow(QStringLiteral("Procedure"), {Field::Procedure}, *scene);
        AddRow(QStringLiteral("保存可能ラベル"), {Field::RecordableLabel}, *scene);
        AddRow(QStringLiteral("実行条件"), {Field::ExpMyCond}, *scene);
        std::vector<int> ids;
        for (const CSwObj* c = CSwObj::GetFirstSibling(scene->child); c; c = c->next)
            ids.push_back(c->id);
        const int n = static_cast<int>(ids.size());
        auto childRows = [&](const char16_t* format, Field field) {
            for (int i = 0; i < n; ++i)
                AddRow(QString::fromUtf16(format).arg(ids[static_cast<std::size_t>(i)]),
                       {field, i}, *scene);
        };
        switch (scene->type) {
        case SwType::SceneChoice:
        case SwType::SceneImageMap:
            childRows(u"exp:%1実行条件", Field::ChildExpCond);
            childRows(u"exp:%1移動時", Field::ChildExp);
            childRows(u"OnEnter:%1", Field::ChildOnEnter);
            childRows(u"OnLeave:%1", Field::ChildOnLeave);
            childRows(u"Hint:%1", Field::ChildHint);
            if (scene->type == SwType::SceneChoice) {
                AddRow(QStringLiteral("画面のクリア"), {Field::ClearMsg}, *scene);
            } else {
                childRows(u"Image map消去:%1", Field::ChildClickFreeMapImage);
                AddRow(QStringLiteral("Image map"), {Field::MapImage}, *scene);
                AddRow(QStringLiteral("Image map layer"), {Field::Layer}, *scene);
            }
            break;
        case SwType::SceneLink:
            AddRow(QStringLiteral("実体のID"), {Field::LinkTarget}, *scene);
            break;
        case SwType::SceneBranch:
            childRows(u"exp:%1実行条件", Field::ChildExpCond);
            break;
        }
    }
    // The names stay readable, however narrow the first column began.
    resizeColumnToContents(0);
    setColumnWidth(0, std::max(columnWidth(0), 64));
    m_filling = false;
}

void CScenewrightPropertyView::OnItemChanged(QTableWidgetItem* item) {
    if (m_filling || m_applying || item->column() != 1 || item->row() >= static_cast<int>(m_rows.size()))
        return;
    m_applying = true;
    const bool stored = Apply(m_rows[static_cast<std::size_t>(item->row())], item);
    if (stored) {
        m_doc.RecordEdit(SwEdit::SceneProperties);
        m_doc.UpdateAllViews(SwHint::SceneDetached);
    } else {
        // Show the value that is still in force.
        QMetaObject::invokeMethod(this, &CScenewrightPropertyView::Rebuild, Qt::QueuedConnection);
    }
    m_applying = false;
}

bool CScenewrightPropertyView::Apply(const Row& row, QTableWidgetItem* item) {
    if (!m_doc.GetCurrentScene())
        return false;
    if (IsCheckField(row.field))
        return ApplyCheck(row, item->checkState() == Qt::Checked);
    if (row.field == Field::LinkTarget)
        return ApplyLinkTarget(item->text());
    return ApplyText(row, item->text());
}

bool CScenewrightPropertyView::ApplyText(const Row& row, const QString& text) {
    std::string* field = TextOf(*m_doc.GetCurrentScene(), row);
    if (!field)
        return false;
    std::string bytes;
    if (!sw::ui::ToCp932(text, bytes)) {
        ShowError(QStringLiteral("Shift_JIS で表せない文字が含まれています。"));
        return false;
    }
    if (bytes == *field)
        return false;
    *field = bytes;
    return true;
}

bool CScenewrightPropertyView::ApplyCheck(const Row& row, bool checked) {
    CSwScene& scene = *m_doc.GetCurrentScene();
    std::int32_t* flag = FlagOf(scene, row);
    if (!flag || (*flag != 0) == checked)
        return false;
    if (row.field == Field::Procedure) {
        if (scene.parent)
            return false;
        if (!checked)
            scene.recordablelabel = 0;
    } else if (row.field == Field::RecordableLabel && scene.Top()->procedure != 0) {
        return false;
    }
    *flag = checked ? 1 : 0;
    return true;
}

bool CScenewrightPropertyView::ApplyLinkTarget(const QString& text) {
    CSwScene& scene = *m_doc.GetCurrentScene();
    const QByteArray digits = text.trimmed().toLatin1();
    char* end = nullptr;
    const long id = std::strtol(digits.constData(), &end, 0);
    const bool parsed = !digits.isEmpty() && end && *end == '\0';
    CSwScene* target = parsed ? m_doc.FindScene(static_cast<std::int32_t>(id)) : nullptr;
    if (!target || target == &scene) {
        ShowError(QStringLiteral("存在しないID、自分自身は、実体として指定出来ません。"));
        return false;
    }
    if (target->type == SwType::SceneLink) {
        ShowError(QStringLiteral("他へのリンクは、実体として指定出来ません。"));
        return false;
    }
    if (scene.linkto == target)
        return false;
    scene.linkto = target;
    scene.linkto_id = target->id;
    return true;
}

void CScenewrightPropertyView::ShowError(const QString& message) {
    std::string bytes;
    if (m_host && sw::ui::ToCp932(message, bytes))
        m_host->ShowError(bytes);
}
