#include "ui/ScenewrightPropertyView.h"

#include "document/SceneEdits.h"
#include "ui/QtText.h"

#include <QHeaderView>

#include <algorithm>
#include <cstdlib>
#include <optional>

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

// The scene whose field a row shows: the current scene, or for the child
// rows the child at the row's position; null when there is none.
CSwScene* TargetOf(CSwScene& scene, const CScenewrightPropertyView::Row& row) {
    return row.child >= 0 ? ChildAt(scene, row.child) : &scene;
}

// The text field a row shows; nullopt for rows that are no plain text.
std::optional<sw::scenes::Text> TextFieldOf(CScenewrightPropertyView::Field field) {
    using F = CScenewrightPropertyView::Field;
    using T = sw::scenes::Text;
    switch (field) {
    case F::Title:
        return T::Title;
    case F::ExpMyCond:
        return T::ExpMyCond;
    case F::MapImage:
        return T::MapImage;
    case F::Layer:
        return T::Layer;
    case F::ChildExpCond:
        return T::ExpCond;
    case F::ChildExp:
        return T::Exp;
    case F::ChildOnEnter:
        return T::OnEnter;
    case F::ChildOnLeave:
        return T::OnLeave;
    case F::ChildHint:
        return T::Hint;
    default:
        return std::nullopt;
    }
}

std::optional<sw::scenes::Flag> FlagFieldOf(CScenewrightPropertyView::Field field) {
    using F = CScenewrightPropertyView::Field;
    using G = sw::scenes::Flag;
    switch (field) {
    case F::Procedure:
        return G::Procedure;
    case F::RecordableLabel:
        return G::RecordableLabel;
    case F::ClearMsg:
        return G::ClearMsg;
    case F::ChildClickFreeMapImage:
        return G::ClickFreeMapImage;
    default:
        return std::nullopt;
    }
}

// What a row does, in plain words, for the tooltip of its label.
QString FieldHelp(CScenewrightPropertyView::Field field, std::int32_t sceneType, int childId) {
    using F = CScenewrightPropertyView::Field;
    const QString child = QString::number(childId);
    switch (field) {
    case F::Title:
        return QStringLiteral("シーンの名前です。チャートに表示され、選択肢の子シーンでは"
                              "リンクの文字になります。");
    case F::Id:
        return QStringLiteral("シーン番号です。ビルドのメッセージや、シナリオのラベル "
                              "*__LABEL_番号__ に使われます。");
    case F::Kind:
        return QStringLiteral("シーンの種類です。子シーンへの進み方が決まります。");
    case F::Procedure:
        return QStringLiteral("このシーンの木を、右クリックなどから呼び出すサブルーチンにします。"
                              "ルートシーンにだけ設定できます。");
    case F::RecordableLabel:
        return QStringLiteral("このシーンのラベルを、栞に保存できる場所にします。");
    case F::ExpMyCond:
        return QStringLiteral("このシーンのセルを実行する条件（TJS の式）です。"
                              "偽のときはセルを飛ばして先へ進みます。空なら常に実行します。");
    case F::ChildExpCond:
        return sceneType == SwType::SceneBranch
                   ? QStringLiteral("この式（TJS）が真なら、シーン番号%1へ進みます。"
                                    "上の行から順に調べ、最初に真になった道を選びます。")
                         .arg(child)
                   : QStringLiteral("シーン番号%1へ進む道を出す条件（TJS の式）です。"
                                    "偽のときは、その道は表示されません。")
                         .arg(child);
    case F::ChildExp:
        return QStringLiteral("シーン番号%1へ進むときに実行する式（TJS）です。").arg(child);
    case F::ChildOnEnter:
        return QStringLiteral("シーン番号%1への道（リンクや領域）にマウスが入ったときに実行する"
                              "式（TJS）です。")
            .arg(child);
    case F::ChildOnLeave:
        return QStringLiteral("シーン番号%1への道からマウスが出たときに実行する式（TJS）です。")
            .arg(child);
    case F::ChildHint:
        return QStringLiteral("シーン番号%1への道にマウスを重ねたときに出るヒントの文字です。")
            .arg(child);
    case F::ClearMsg:
        return QStringLiteral("選択肢を表示する前にメッセージをクリアします。");
    case F::ChildClickFreeMapImage:
        return QStringLiteral("シーン番号%1へ進むときに、イメージマップの画像を消します。")
            .arg(child);
    case F::MapImage:
        return QStringLiteral("イメージマップの画像です。名前に _p を付けた画像"
                              "（例: town_p.png）の色で、クリックできる領域を分けます。");
    case F::Layer:
        return QStringLiteral("イメージマップの画像を表示する前景レイヤの番号です。");
    case F::LinkTarget:
        return QStringLiteral("このリンクが飛ぶ先のシーン番号です。");
    }
    return QString();
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

void CScenewrightPropertyView::OnDocumentUpdate(CScenewrightDoc& doc, const SwUpdate& update) {
    if (&doc != &m_doc)
        return;
    const CSwScene* current = m_doc.GetCurrentScene();
    switch (update.change) {
    case SwChange::Reset:
    case SwChange::Opened:
    case SwChange::Project:
    case SwChange::SceneTree:
    case SwChange::Selection:
        break;
    case SwChange::SceneFields:
        // The rows show the current scene and the ways into its children.
        if (update.scene && update.scene != current && update.scene->parent != current)
            return;
        break;
    default:
        return;
    }
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
    const CSwScene* child = row.child >= 0 ? ChildAt(scene, row.child) : nullptr;
    name->setToolTip(FieldHelp(row.field, scene.type, child ? child->id : 0));
    setItem(index, 0, name);
    auto* note = new QTableWidgetItem();
    note->setFlags(Qt::ItemIsEnabled);
    setItem(index, 2, note);

    auto* value = new QTableWidgetItem();
    const CSwScene* target = TargetOf(scene, row);
    if (IsCheckField(row.field)) {
        const auto flag = FlagFieldOf(row.field);
        Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
        if (row.field != Field::Procedure || !scene.parent)
            flags |= Qt::ItemIsEnabled;
        value->setFlags(flags);
        value->setCheckState(target && flag && sw::scenes::FlagOf(*target, *flag) ? Qt::Checked
                                                                                  : Qt::Unchecked);
    } else if (row.field == Field::Id) {
        value->setText(QString::number(scene.id));
        value->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    } else if (row.field == Field::Kind) {
        value->setText(KindName(scene.type));
        value->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    } else if (row.field == Field::LinkTarget) {
        value->setText(scene.linkto ? QString::number(scene.linkto->id) : QString());
    } else if (const auto text = TextFieldOf(row.field); text && target) {
        value->setText(sw::ui::FromCp932(sw::scenes::TextOf(*target, *text)));
    }
    setItem(index, 1, value);
    m_rows.push_back(row);
}

void CScenewrightPropertyView::EditTitle() {
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row].field == Field::Title) {
            setFocus(Qt::OtherFocusReason);
            setCurrentCell(static_cast<int>(row), 1);
            editItem(item(static_cast<int>(row), 1));
            return;
        }
    }
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
                AddRow(QString::fromUtf16(format).arg(ids[static_cast<std::size_t>(i)]), {field, i},
                       *scene);
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
    if (m_filling || m_applying || item->column() != 1 ||
        item->row() >= static_cast<int>(m_rows.size()))
        return;
    m_applying = true;
    const bool stored = Apply(m_rows[static_cast<std::size_t>(item->row())], item);
    // Show the value that is in force: the stored one, or the old one.
    if (!stored)
        QMetaObject::invokeMethod(this, &CScenewrightPropertyView::Rebuild, Qt::QueuedConnection);
    m_applying = false;
}

bool CScenewrightPropertyView::Apply(const Row& row, QTableWidgetItem* item) {
    CSwScene* current = m_doc.GetCurrentScene();
    CSwScene* target = current ? TargetOf(*current, row) : nullptr;
    if (!target)
        return false;
    if (row.field == Field::LinkTarget)
        return ApplyLinkTarget(*target, item->text());
    if (const auto flag = FlagFieldOf(row.field))
        return sw::scenes::SetFlag(m_doc, *target, *flag, item->checkState() == Qt::Checked);
    const auto text = TextFieldOf(row.field);
    if (!text)
        return false;
    std::string bytes;
    if (!sw::ui::ToCp932(item->text(), bytes)) {
        ShowError(QStringLiteral("Shift_JIS で表せない文字が含まれています。"));
        return false;
    }
    return sw::scenes::SetText(m_doc, *target, *text, bytes);
}

bool CScenewrightPropertyView::ApplyLinkTarget(CSwScene& scene, const QString& text) {
    const QByteArray digits = text.trimmed().toLatin1();
    char* end = nullptr;
    const long id = std::strtol(digits.constData(), &end, 0);
    const bool parsed = !digits.isEmpty() && end && *end == '\0';
    CSwScene* target = parsed ? m_doc.FindScene(static_cast<std::int32_t>(id)) : nullptr;
    std::string refusal;
    const bool set = sw::scenes::SetLinkTarget(m_doc, scene, target, refusal);
    if (!refusal.empty())
        m_host ? m_host->ShowError(refusal) : void();
    return set;
}

void CScenewrightPropertyView::ShowError(const QString& message) {
    std::string bytes;
    if (m_host && sw::ui::ToCp932(message, bytes))
        m_host->ShowError(bytes);
}
