#include "ui/ProjectSettingsDialog.h"

#include "document/CellCommands.h"
#include "document/ScenewrightDoc.h"
#include "model/SwSettings.h"
#include "model/cells/SwCharacter.h"
#include "ui/QtText.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <span>

using sw::ui::CFieldEditor;
using sw::ui::EditorKind;
using sw::ui::FieldRow;
using sw::ui::FieldValue;

namespace {

QStringList Delimiters(const CScenewrightDoc&) {
    return {QStringLiteral("（無し）"), QStringLiteral("・"), QStringLiteral("＝"),
            QStringLiteral("★"),        QStringLiteral("☆"),  QStringLiteral("＊")};
}
QStringList BgmTypes(const CScenewrightDoc&) {
    return {QStringLiteral("WAVE"), QStringLiteral("MIDI"), QStringLiteral("CDDA")};
}

const FieldRow kCharacterRows[] = {
    {"姓（例：山田）：", "lastname", EditorKind::Text, nullptr, nullptr, INT_MIN, INT_MAX,
     sw::ui::LayerSet::Layers, 10, 255},
    {"名（例：一郎）：", "firstname", EditorKind::Text, nullptr, nullptr, INT_MIN, INT_MAX,
     sw::ui::LayerSet::Layers, 10, 255},
    {"ミドルネーム（例：マーク）：", "middlename", EditorKind::Text, nullptr, nullptr, INT_MIN,
     INT_MAX, sw::ui::LayerSet::Layers, 10, 255},
    {"姓名の区切り記号（例：ピンク・パンサー）：", "delimiter", EditorKind::Choice, Delimiters},
    {"フルネームのとき、姓→名の順で表記する。", "nameorder", EditorKind::Flag},
    {"", "msgcolor", EditorKind::Colour, nullptr, "発言の色..."},
};

// A group of the settings dialog; a null title for rows outside a group.
struct SettingsGroup {
    const char* title;
    std::span<const FieldRow> rows;
};

const FieldRow kNameRows[] = {
    {"作品名（タイトルバーに表示されます）：", "name", EditorKind::Text},
    {"制作結果を書き込むフォルダ：", "root", EditorKind::Folder, nullptr,
     "プロジェクトフォルダの選択"},
};
const FieldRow kLayerRows[] = {
    {"前景（≧3）：", "laycount", EditorKind::Unsigned, nullptr, nullptr, 3},
    {"メッセージ（≧2）：", "msglaycount", EditorKind::Unsigned, nullptr, nullptr, 2},
};
const FieldRow kScreenRows[] = {
    {"横幅（≧640）：", "width", EditorKind::Unsigned, nullptr, nullptr, 640},
    {"縦幅（≧480）：", "height", EditorKind::Unsigned, nullptr, nullptr, 480},
};
const FieldRow kSaveRows[] = {
    {"保存場所：", "savelocation", EditorKind::Text},
    {"データの頭に付く文字列：", "saveprefix", EditorKind::Text},
    {"フリーセーブにする", "freesave", EditorKind::Flag},
    {"暗号化する", "encrypt", EditorKind::Flag},
    {"縮小版を作る", "savewidhimage", EditorKind::Flag},
};
const FieldRow kBgmRows[] = {{"BGMの種類：", "bgmtype", EditorKind::Choice, BgmTypes}};
const FieldRow kLinkRows[] = {{"", "deflinkcol", EditorKind::Colour, nullptr, "色編集..."}};
const FieldRow kHistoryRows[] = {
    {"保存行数：", "htmaxlines", EditorKind::Unsigned},
    {"保存ページ数：", "htmaxpages", EditorKind::Unsigned},
    {"栞に履歴を保存する。", "htstorestate", EditorKind::Flag},
    {"縦書きにする。", "htvertivalview", EditorKind::Flag},
};
const SettingsGroup kGroups[] = {
    {nullptr, kNameRows},        {"レイヤの最大数", kLayerRows},
    {"画面サイズ", kScreenRows}, {"セーブデータ", kSaveRows},
    {nullptr, kBgmRows},         {"選択されたリンクの矩形の色：", kLinkRows},
    {"履歴：", kHistoryRows},
};

// The settings field behind each row key.
struct SettingsMember {
    std::string_view key;
    std::int32_t CSwSettings::*integer;
    std::string CSwSettings::*text;
};
const SettingsMember kMembers[] = {
    {"name", nullptr, &CSwSettings::name},
    {"root", nullptr, &CSwSettings::root},
    {"laycount", &CSwSettings::laycount, nullptr},
    {"msglaycount", &CSwSettings::msglaycount, nullptr},
    {"width", &CSwSettings::width, nullptr},
    {"height", &CSwSettings::height, nullptr},
    {"savelocation", nullptr, &CSwSettings::savelocation},
    {"saveprefix", nullptr, &CSwSettings::saveprefix},
    {"freesave", &CSwSettings::freesave, nullptr},
    {"encrypt", &CSwSettings::encrypt, nullptr},
    {"savewidhimage", &CSwSettings::savewidhimage, nullptr},
    {"bgmtype", &CSwSettings::bgmtype, nullptr},
    {"deflinkcol", &CSwSettings::deflinkcol, nullptr},
    {"htmaxlines", &CSwSettings::htmaxlines, nullptr},
    {"htmaxpages", &CSwSettings::htmaxpages, nullptr},
    {"htstorestate", &CSwSettings::htstorestate, nullptr},
    {"htvertivalview", &CSwSettings::htvertivalview, nullptr},
};

const SettingsMember& MemberOf(std::string_view key) {
    for (const SettingsMember& member : kMembers) {
        if (member.key == key)
            return member;
    }
    return kMembers[0];
}

QString ColourText(std::int32_t bgr) {
    const auto value = static_cast<std::uint32_t>(bgr);
    const std::uint32_t rgb = ((value & 0xFF) << 16) | (value & 0xFF00) | ((value >> 16) & 0xFF);
    return QStringLiteral("0x%1")
        .arg(rgb, 6, 16, QLatin1Char('0'))
        .toUpper()
        .replace(QStringLiteral("0X"), QStringLiteral("0x"));
}

} // namespace

CCharacterDialog::CCharacterDialog(const CScenewrightDoc& doc,
                                   const std::vector<const CSwCharacter*>& characters,
                                   QWidget* parent)
    : QDialog(parent), m_list(new QTreeWidget(this)) {
    setWindowTitle(QStringLiteral("キャラクター編集"));
    for (const CSwCharacter* character : characters) {
        auto copy = std::make_unique<CSwCharacter>();
        copy->Assign(*character);
        m_characters.push_back(std::move(copy));
    }
    m_list->setObjectName(QStringLiteral("characters"));
    m_list->setHeaderLabels({QStringLiteral("姓"), QStringLiteral("ミドルネーム"),
                             QStringLiteral("名"), QStringLiteral("発言の色")});
    m_list->setRootIsDecorated(false);
    m_list->setMinimumSize(420, 140);
    connect(m_list, &QTreeWidget::currentItemChanged, this, &CCharacterDialog::ShowSelected);

    auto* group = new QGroupBox(QStringLiteral("キャラクターの名前とメッセージ色："), this);
    auto* grid = new QGridLayout(group);
    grid->setColumnStretch(1, 1);
    for (const FieldRow& row : kCharacterRows) {
        m_editors.push_back(sw::ui::MakeFieldEditor(row, {&doc, group}));
        sw::ui::AddRowToGrid(*grid, *m_editors.back());
    }
    auto* actions = new QHBoxLayout;
    const std::pair<const char*, void (CCharacterDialog::*)()> buttons[] = {
        {"追加", &CCharacterDialog::Add},
        {"変更", &CCharacterDialog::Change},
        {"削除", &CCharacterDialog::Remove}};
    for (const auto& [text, slot] : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(text), this);
        connect(button, &QPushButton::clicked, this, slot);
        actions->addWidget(button);
    }
    actions->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(group);
    layout->addLayout(actions);
    layout->addWidget(sw::ui::OkCancelButtons(this));
    const CSwCharacter blank;
    for (const auto& editor : m_editors) {
        const std::size_t slot = blank.SlotOf(editor->Row().key);
        editor->Load({blank.Integer(slot), 0.0, blank.Text(slot)});
    }
    FillList();
}

CCharacterDialog::~CCharacterDialog() = default;

void CCharacterDialog::FillList() {
    const int current = m_list->indexOfTopLevelItem(m_list->currentItem());
    m_list->clear();
    for (const auto& character : m_characters) {
        m_list->addTopLevelItem(new QTreeWidgetItem(
            {sw::ui::FromCp932(character->lastname()), sw::ui::FromCp932(character->middlename()),
             sw::ui::FromCp932(character->firstname()), ColourText(character->msgcolor())}));
    }
    if (current >= 0 && current < m_list->topLevelItemCount())
        m_list->setCurrentItem(m_list->topLevelItem(current));
}

void CCharacterDialog::ShowSelected() {
    const int at = m_list->indexOfTopLevelItem(m_list->currentItem());
    if (at < 0)
        return;
    const CSwCharacter& character = *m_characters[static_cast<std::size_t>(at)];
    for (const auto& editor : m_editors) {
        const std::size_t slot = character.SlotOf(editor->Row().key);
        editor->Load({character.Integer(slot), 0.0, character.Text(slot)});
    }
}

std::unique_ptr<CSwCharacter> CCharacterDialog::FromControls() {
    auto character = std::make_unique<CSwCharacter>();
    for (const auto& editor : m_editors) {
        const std::size_t slot = character->SlotOf(editor->Row().key);
        FieldValue value;
        QString refusal;
        if (!editor->Store(value, refusal)) {
            QMessageBox::warning(this, windowTitle(), refusal);
            return nullptr;
        }
        character->SetInteger(slot, value.integer);
        character->SetText(slot, value.text);
    }
    return character;
}

void CCharacterDialog::Add() {
    if (auto character = FromControls()) {
        m_characters.push_back(std::move(character));
        FillList();
        m_list->setCurrentItem(m_list->topLevelItem(m_list->topLevelItemCount() - 1));
    }
}

void CCharacterDialog::Change() {
    const int at = m_list->indexOfTopLevelItem(m_list->currentItem());
    if (at < 0)
        return;
    if (auto character = FromControls()) {
        m_characters[static_cast<std::size_t>(at)] = std::move(character);
        FillList();
    }
}

void CCharacterDialog::Remove() {
    const int at = m_list->indexOfTopLevelItem(m_list->currentItem());
    if (at < 0)
        return;
    m_characters.erase(m_characters.begin() + at);
    FillList();
}

CProjectSettingsDialog::CProjectSettingsDialog(const CScenewrightDoc& doc, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_settings(std::make_unique<CSwSettings>()) {
    setWindowTitle(QStringLiteral("プロジェクトの設定"));
    m_settings->Assign(doc.GetSettings());
    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
    for (const SettingsGroup& group : kGroups) {
        QWidget* box =
            group.title ? static_cast<QWidget*>(new QGroupBox(QString::fromUtf8(group.title), this))
                        : new QWidget(this);
        auto* grid = new QGridLayout(box);
        grid->setColumnStretch(1, 1);
        if (!group.title)
            grid->setContentsMargins(0, 0, 0, 0);
        for (const FieldRow& row : group.rows) {
            m_editors.push_back(sw::ui::MakeFieldEditor(row, {&doc, box}));
            sw::ui::AddRowToGrid(*grid, *m_editors.back());
            const SettingsMember& member = MemberOf(row.key);
            FieldValue value;
            if (member.integer)
                value.integer = (*m_settings).*member.integer;
            else
                value.text = (*m_settings).*member.text;
            m_editors.back()->Load(value);
        }
        if (group.rows.data() == kNameRows) {
            layout->addWidget(box);
        } else {
            const bool leftSide = group.rows.data() == kLayerRows ||
                                  group.rows.data() == kScreenRows ||
                                  group.rows.data() == kSaveRows;
            (leftSide ? left : right)->addWidget(box);
        }
        if (group.rows.data() == kBgmRows) {
            auto* characters = new QGroupBox(QStringLiteral("キャラクター："), this);
            auto* line = new QHBoxLayout(characters);
            auto* edit = new QPushButton(QStringLiteral("編集..."), characters);
            edit->setObjectName(QStringLiteral("editCharacters"));
            connect(edit, &QPushButton::clicked, this, &CProjectSettingsDialog::EditCharacters);
            line->addWidget(edit);
            line->addStretch(1);
            right->addWidget(characters);
        }
    }
    left->addStretch(1);
    right->addStretch(1);
    layout->addLayout(columns);
    layout->addWidget(sw::ui::OkCancelButtons(this));
}

CProjectSettingsDialog::~CProjectSettingsDialog() = default;

void CProjectSettingsDialog::EditCharacters() {
    std::vector<const CSwCharacter*> characters;
    for (int i = 0; i < m_settings->GetCharacterCount(); ++i)
        characters.push_back(m_settings->GetCharacterAt(i));
    CCharacterDialog dialog(m_doc, characters, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_settings->RemoveAllCharacters();
    for (const auto& character : dialog.Characters()) {
        auto copy = std::make_unique<CSwCharacter>();
        copy->Assign(*character);
        m_settings->AddCharacter(std::move(copy));
    }
}

void CProjectSettingsDialog::accept() {
    CSwSettings edited;
    edited.Assign(*m_settings);
    QStringList missing;
    for (const auto& editor : m_editors) {
        const SettingsMember& member = MemberOf(editor->Row().key);
        FieldValue value;
        QString refusal;
        if (!editor->Store(value, refusal)) {
            QMessageBox::warning(this, windowTitle(), refusal);
            editor->Widget()->setFocus();
            return;
        }
        if (member.integer)
            edited.*member.integer = value.integer;
        else
            edited.*member.text = value.text;
        if (const QString path = editor->MissingFile(); !path.isEmpty())
            missing << path;
    }
    if (!missing.isEmpty())
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("次のフォルダが見つかりません：\n") +
                                 missing.join(u'\n'));
    m_settings->Assign(edited);
    QDialog::accept();
}

bool EditProjectSettings(CScenewrightDoc& doc, QWidget* parent) {
    CProjectSettingsDialog dialog(doc, parent);
    return dialog.exec() == QDialog::Accepted && sw::cells::ReplaceSettings(doc, dialog.Edited());
}
