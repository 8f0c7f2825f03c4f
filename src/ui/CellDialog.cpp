#include "ui/CellDialog.h"

#include "document/CellCommands.h"
#include "document/DocumentUpdate.h"
#include "document/ScenewrightDoc.h"
#include "imaging/Decoders.h"
#include "model/cells/ParticleScript.h"
#include "model/cells/SwCharacter.h"
#include "model/cells/SwDialogue.h"
#include "model/cells/SwParticle.h"
#include "ui/DibImage.h"
#include "ui/QtText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

#include <algorithm>
#include <span>

using sw::ui::EditorKind;
using sw::ui::FieldRow;
using sw::ui::LayerSet;

struct CCellDialog::Form {
    std::int32_t type;
    const char* caption;
    std::span<const FieldRow> rows;
    // Rows from here on stand in a second column; 0 for one column.
    std::size_t secondColumn = 0;
    // The checks beyond the single fields, on OK; false with the message.
    bool (*check)(const CSwCommand& edited, const CScenewrightDoc& doc, QString& message) = nullptr;
};

namespace {

const char* const kSoundFilter =
    "Bgm Files (*.wav;*.ogg;*.mp3)|*.wav;*.ogg;*.mp3|Wave (*.wav)|*.wav|"
    "OggVorbis (*.ogg)|*.ogg|Mp3 (*.mp3)|*.mp3|All Files (*.*)|*.*||";
const char* const kImageFilter =
    "Image Files (*.bmp;*.jpg;*.png)|*.bmp;*.jpg;*.png|Bitmap (*.bmp)|*.bmp|"
    "Jpeg (*.jpg)|*.jpg|Png (*.png)|*.png|All Files (*.*)|*.*||";
const char* const kPluginFilter = "Plugin Files (*.dll)|*.dll|All Files (*.*)|*.*||";
const char* const kClean = "メッセージをクリアしてから表示し、表示が終わったら改ページ待ちする。";
const char* const kFadeInTime = "フェイドインにかける時間(単位：ミリ秒）：";
const char* const kFadeOutTime = "フェイドアウトにかける時間(単位：ミリ秒）：";

QStringList LayerPages(const CScenewrightDoc&) {
    return {QStringLiteral("オモテ"), QStringLiteral("ウラ"), QStringLiteral("両方")};
}
QStringList LoadPages(const CScenewrightDoc&) {
    return {QStringLiteral("表サーフェス"), QStringLiteral("裏サーフェス")};
}
QStringList Methods(const CScenewrightDoc&) {
    return {QStringLiteral("ユニバーサル"), QStringLiteral("クロスフェード"),
            QStringLiteral("スクロール")};
}
QStringList Directions(const CScenewrightDoc&) {
    return {QStringLiteral("left"), QStringLiteral("top"), QStringLiteral("right"),
            QStringLiteral("bottom")};
}
QStringList Stays(const CScenewrightDoc&) {
    return {QStringLiteral("裏表の画像が連結してスクロール"),
            QStringLiteral("表画像が止まったまま消えていく"),
            QStringLiteral("裏画像が止まったまま現れてくる")};
}
QStringList TimeModes(const CScenewrightDoc&) {
    return {QStringLiteral("単位は、ｍｓ"), QStringLiteral("単位は、表示文字数")};
}
QStringList Characters(const CScenewrightDoc& doc) {
    QStringList names;
    const CSwSettings& settings = doc.GetSettings();
    for (int i = 0; i < settings.GetCharacterCount(); ++i)
        names << sw::ui::FromCp932(settings.GetCharacterAt(i)->FullName());
    return names;
}
QStringList Brackets(const CScenewrightDoc&) {
    QStringList pairs;
    for (int i = 0; i < CSwDialogue::BracketCount(); ++i)
        pairs << sw::ui::FromCp932(std::string(CSwDialogue::Bracket(i, false)) +
                                   std::string(CSwDialogue::Bracket(i, true)));
    return pairs;
}

constexpr int kNoLimit = INT_MAX;

const FieldRow kMessageRows[] = {
    {"", "message", EditorKind::RichText},
    {"履歴の対象", "logmsg", EditorKind::Flag},
    {kClean, "clean", EditorKind::Flag},
};
const FieldRow kDialogueRows[] = {
    {"", "message", EditorKind::RichText},
    {"履歴の対象", "logmsg", EditorKind::Flag},
    {kClean, "clean", EditorKind::Flag},
    {"メッセージの色：", "color", EditorKind::Colour, nullptr, "メッセージ色..."},
    {"音声ファイル：", "voice", EditorKind::FilePath, nullptr, kSoundFilter},
    {"音声の再生バッファ番号(０以上）：", "bufno", EditorKind::Integer, nullptr, nullptr, 0},
    {"キャラクター名：", "charinf", EditorKind::Choice, Characters},
    {"括弧の種類：", "brackettype", EditorKind::Choice, Brackets},
};
const FieldRow kLayerRows[] = {
    {"対象レイヤ：", "layer", EditorKind::LayerName},
    {"対象にするサーフェス：", "surface", EditorKind::Choice, LayerPages},
    {"レイヤのサイズ： left：", "left", EditorKind::PlainInteger},
    {"top：", "top", EditorKind::PlainInteger},
    {"width：", "width", EditorKind::PlainInteger},
    {"height：", "height", EditorKind::PlainInteger},
    {"不透明度（0：透明～不透明：255）：", "opacity", EditorKind::Integer, nullptr, nullptr, -1,
     255},
    {"このレイヤを表示する。", "visible", EditorKind::TriState},
    {"レイヤ色を設定する。", "setcol", EditorKind::Flag},
    {"", "color", EditorKind::Colour, nullptr, "レイヤの色..."},
    {"メッセージを縦書きで表示する。", "vertical", EditorKind::TriState},
};
const FieldRow kCurrentLayerRows[] = {
    {"対象レイヤ：", "layer", EditorKind::LayerName, nullptr, nullptr, INT_MIN, kNoLimit,
     LayerSet::MessageLayers},
    {"対象にするサーフェス：", "surface", EditorKind::Choice, LayerPages},
    {"裏サーフェスにも描画する。", "withback", EditorKind::Flag},
};
const FieldRow kImageLoadRows[] = {
    {"画像ファイル：", "image", EditorKind::FilePath, nullptr, kImageFilter},
    {"対象レイヤ：", "layer", EditorKind::LayerName},
    {"読込サーフェス：", "surface", EditorKind::Choice, LoadPages},
};
const FieldRow kTransitionRows[] = {
    {"対象レイヤ：", "layer", EditorKind::LayerName},
    {"背景レイヤの画面切替時に、子レイヤも切替対象に含める", "children", EditorKind::Flag},
    {"読込サーフェス：", "surface", EditorKind::Choice, LoadPages},
    {"画面切替にかける時間(単位：ミリ秒）：", "time", EditorKind::Integer, nullptr, nullptr, 0},
    {"画面切替の方法：", "method", EditorKind::Choice, Methods},
    {"切替ルール画像ファイル：", "rule", EditorKind::FilePath, nullptr, kImageFilter, INT_MIN,
     kNoLimit, LayerSet::Layers, 10, 260},
    {"曖昧さ：", "vague", EditorKind::Integer, nullptr, nullptr, 0},
    {"スクロールして現れてくる方向：", "from", EditorKind::Choice, Directions},
    {"スクロールの仕方：", "stay", EditorKind::Choice, Stays},
};
const FieldRow kBackLayRows[] = {
    {"対象レイヤ：", "layer", EditorKind::LayerName, nullptr, nullptr, INT_MIN, kNoLimit,
     LayerSet::LayersWithAll},
};
const FieldRow kBgmPlayRows[] = {
    {"フェイドインして再生", "fadein", EditorKind::Flag},
    {kFadeInTime, "time", EditorKind::Integer, nullptr, nullptr, 0},
    {"ループ再生", "loop", EditorKind::Flag},
    {"BGMファイル：", "storage", EditorKind::FilePath, nullptr, kSoundFilter},
};
const FieldRow kBgmStopRows[] = {
    {"フェイドアウトして終了", "fadeout", EditorKind::Flag},
    {kFadeOutTime, "time", EditorKind::Integer, nullptr, nullptr, 0},
};
const FieldRow kSePlayRows[] = {
    {"SE再生バッファ番号(０以上）：", "bufno", EditorKind::Integer, nullptr, nullptr, 0},
    {"フェイドインして再生", "fadein", EditorKind::Flag},
    {kFadeInTime, "time", EditorKind::Integer, nullptr, nullptr, 0},
    {"ループ再生", "loop", EditorKind::Flag},
    {"SEファイル：", "storage", EditorKind::FilePath, nullptr, kSoundFilter},
};
const FieldRow kSeStopRows[] = {
    {"SE再生バッファ番号(０以上）：", "bufno", EditorKind::Integer, nullptr, nullptr, 0},
    {"フェイドアウトして終了", "fadeout", EditorKind::Flag},
    {kFadeOutTime, "time", EditorKind::Integer, nullptr, nullptr, 0},
};
const FieldRow kEvalRows[] = {{"式：", "formula", EditorKind::Text}};
const FieldRow kPluginRows[] = {
    {"プラグイン：", "path", EditorKind::FilePath, nullptr, kPluginFilter}};
const FieldRow kQuakeRows[] = {
    {"揺らす時間で使う単位：", "timemode", EditorKind::Choice, TimeModes},
    {"揺らす時間（単位はmsまたは表示文字数）：", "time", EditorKind::Integer, nullptr, nullptr, 0},
    {"水平方向の振幅（単位はピクセル）：", "hmax", EditorKind::Integer, nullptr, nullptr, 0},
    {"垂直方向の振幅（単位はピクセル）：", "vmax", EditorKind::Integer, nullptr, nullptr, 0},
    {"揺れ終わるまで待つ。", "iswait", EditorKind::Flag},
};
const FieldRow kRightClickRows[] = {
    {"サブルーチンコールする。\nしない場合は、ジャンプします。", "call", EditorKind::Flag},
    {"呼び出すセルの番号：", "callto_id", EditorKind::Integer, nullptr, nullptr, INT_MIN, kNoLimit,
     LayerSet::Layers, 0},
};
const FieldRow kLabelRows[] = {
    {"ラベル：", "label", EditorKind::Text},
    {"見出し：", "headline", EditorKind::Text},
};
const FieldRow kScriptRows[] = {{"", "text", EditorKind::RichText}};
const FieldRow kTagRows[] = {{"タグの中身（両端の括弧は不要です）：", "tag", EditorKind::Text}};
const FieldRow kMacroRows[] = {
    {"マクロ名：", "name", EditorKind::Text},
    {"内容：", "text", EditorKind::RichText},
};

constexpr EditorKind kUnsigned = EditorKind::Unsigned;
const FieldRow kParticleRows[] = {
    {"親レイヤ：", "parentlayer", EditorKind::LayerName, nullptr, nullptr, INT_MIN, kNoLimit,
     LayerSet::RecordedLayers},
    {"画像の個数：", "count", kUnsigned},
    {"画像名（ファイル名は画像の個数分、後ろに \"_0\" や \"_1\" が付きます）：", "image",
     EditorKind::FilePath, nullptr, kImageFilter, INT_MIN, kNoLimit, LayerSet::Layers, 10, 0,
     false},
    {"クラス名（後ろに\"Plugin\"が付きます）：", "classname", EditorKind::Text},
    {"出す個数：", "particlenum", kUnsigned},
    {"更新間隔（ms）：", "interval", kUnsigned},
    {"重ね合わせ順序：", "absolute", kUnsigned},
    {"右の設定でアニメーションする。", "animation", EditorKind::Flag},
    {"表示X座標変化量：", "animesegx", kUnsigned},
    {"アニメ更新間隔(ms)：", "animeinterval", kUnsigned},
    {"表示領域左上Ｘ座標：", "left", EditorKind::Integer},
    {"表示領域左上Ｙ座標：", "top", EditorKind::Integer},
    {"表示領域の幅：", "width", EditorKind::Integer},
    {"表示領域の高さ：", "height", EditorKind::Integer},
    {"はみ出たら再出現させるための条件： 上端", "resettop", EditorKind::Flag},
    {"下端", "resetbottom", EditorKind::Flag},
    {"左端", "resetleft", EditorKind::Flag},
    {"右端", "resetright", EditorKind::Flag},
    {"表示開始Ｘ座標の式：", "expstartx", EditorKind::Text},
    {"表示開始Ｙ座標の式：", "expstarty", EditorKind::Text},
    {"出現時のＸ方向速度の式：", "expxvelo", EditorKind::Text},
    {"出現時のＹ方向速度の式：", "expyvelo", EditorKind::Text},
    {"Ｘ方向加速度の式：", "expxaccel", EditorKind::Text},
    {"Ｙ方向加速度の式：", "expyaccel", EditorKind::Text},
    {"Ｘ方向加速度に移動毎に加える式：", "expxmodaccel", EditorKind::Text},
    {"Ｙ方向加速度に移動毎に加える式：", "expymodaccel", EditorKind::Text},
    {"Ｘ方向速度最小値：", "xvelomin", EditorKind::Real},
    {"Ｘ方向速度最大値：", "xvelomax", EditorKind::Real},
    {"Ｙ方向速度最小値：", "yvelomin", EditorKind::Real},
    {"Ｙ方向速度最大値：", "yvelomax", EditorKind::Real},
    {"Ｘ方向加速度最小値：", "xaccelmin", EditorKind::Real},
    {"Ｘ方向加速度最大値：", "xaccelmax", EditorKind::Real},
    {"Ｙ方向加速度最小値：", "yaccelmin", EditorKind::Real},
    {"Ｙ方向加速度最大値：", "yaccelmax", EditorKind::Real},
};
// The rows a preset fills; the others keep what the author typed.
constexpr std::string_view kPresetKeys[] = {
    "count",      "interval",     "particlenum",  "resettop",  "resetbottom", "resetleft",
    "resetright", "expstartx",    "expstarty",    "expxvelo",  "expyvelo",    "expxaccel",
    "expyaccel",  "expxmodaccel", "expymodaccel", "xvelomin",  "xvelomax",    "yvelomin",
    "yvelomax",   "xaccelmin",    "xaccelmax",    "yaccelmin", "yaccelmax"};

// The jump target must exist, and a subroutine must be a whole procedure
// tree; either fault would only show when the game runs.
bool CheckRightClick(const CSwCommand& edited, const CScenewrightDoc& doc, QString& message) {
    const CSwScene* target = doc.FindScene(edited.Integer(edited.SlotOf("callto_id")));
    if (!target)
        message = QStringLiteral("不正な飛び先IDです。");
    else if (edited.Integer(edited.SlotOf("call")) != 0 && target->parent != nullptr)
        message = QStringLiteral("サブルーチンとしての飛び先はルートでなければなりません。");
    else if (edited.Integer(edited.SlotOf("call")) != 0 && target->procedure == 0)
        message = QStringLiteral(
            "サブルーチンとしての飛び先は Procedure 属性が true でなければなりません。");
    return message.isEmpty();
}

// The class name becomes file, class and macro names; the build would
// refuse it much later.
bool CheckParticle(const CSwCommand& edited, const CScenewrightDoc&, QString& message) {
    if (IsParticleClassName(edited.Text(CSwParticle::kClassName)))
        return true;
    message = QStringLiteral(
        "クラス名には、英字か「_」で始まり英数字と「_」だけからなる名前を入力してください。");
    return false;
}

const CCellDialog::Form kForms[] = {
    {SwType::Message, "メッセージ編集", kMessageRows},
    {SwType::Dialogue, "会話メッセージ編集", kDialogueRows},
    {SwType::Layer, "レイヤ属性", kLayerRows},
    {SwType::CurrentLayer, "カレントレイヤ設定", kCurrentLayerRows},
    {SwType::ImageLoad, "読込画像の設定", kImageLoadRows},
    {SwType::Transition, "画面切替のプロパティ", kTransitionRows},
    {SwType::BackLay, "対象レイヤ", kBackLayRows},
    {SwType::BgmPlay, "BGM再生のプロパティ", kBgmPlayRows},
    {SwType::BgmStop, "BGM終了のプロパティ", kBgmStopRows},
    {SwType::SePlay, "SE再生のプロパティ", kSePlayRows},
    {SwType::SeStop, "SE終了のプロパティ", kSeStopRows},
    {SwType::Eval, "式の編集", kEvalRows},
    {SwType::Plugin, "プラグイン", kPluginRows},
    {SwType::Quake, "地震の設定", kQuakeRows},
    {SwType::RightClick, "右ボタンクリックの設定", kRightClickRows, 0, CheckRightClick},
    {SwType::Label, "ラベルの編集", kLabelRows},
    {SwType::Particle, "パーティクルプラグイン設定", kParticleRows, 18, CheckParticle},
    {SwType::Script, "TJSテキスト編集", kScriptRows},
    {SwType::Tag, "タグの編集", kTagRows},
    {SwType::Macro, "マクロ編集", kMacroRows},
};

sw::ui::FieldValue ValueOf(const CSwCommand& cell, std::size_t slot) {
    return {cell.Integer(slot), cell.Real(slot), cell.Text(slot)};
}

void Put(CSwCommand& cell, std::size_t slot, const sw::ui::FieldValue& value) {
    cell.SetInteger(slot, value.integer);
    cell.SetReal(slot, value.real);
    cell.SetText(slot, value.text);
}

} // namespace

bool CCellDialog::HasDialog(std::int32_t type) {
    return std::any_of(std::begin(kForms), std::end(kForms),
                       [type](const Form& form) { return form.type == type; });
}

std::unique_ptr<CCellDialog> CCellDialog::Create(const CScenewrightDoc& doc, const CSwObj& cell,
                                                 QWidget* parent) {
    const auto* command = dynamic_cast<const CSwCommand*>(&cell);
    if (!command)
        return nullptr;
    for (const Form& form : kForms) {
        if (form.type == cell.type) {
            std::unique_ptr<CSwObj> copy = sw::cells::CopyOfCell(cell);
            auto* copied = static_cast<CSwCommand*>(copy.release());
            return std::unique_ptr<CCellDialog>(
                new CCellDialog(doc, form, std::unique_ptr<CSwCommand>(copied), parent));
        }
    }
    return nullptr;
}

CCellDialog::CCellDialog(const CScenewrightDoc& doc, const Form& form,
                         std::unique_ptr<CSwCommand> copy, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_form(form), m_copy(std::move(copy)) {
    setWindowTitle(QString::fromUtf8(form.caption));
    auto* layout = new QVBoxLayout(this);
    if (form.type == SwType::Particle) {
        auto* presets = new QComboBox(this);
        presets->setObjectName(QStringLiteral("presets"));
        for (int i = 0; i < CSwParticle::kPresetCount; ++i)
            presets->addItem(sw::ui::FromCp932(CSwParticle::PresetName(i)));
        presets->setCurrentIndex(-1);
        connect(presets, &QComboBox::activated, this, &CCellDialog::ApplyPreset);
        auto* line = new QHBoxLayout;
        line->addWidget(new QLabel(QStringLiteral("デフォルトの設定集："), this));
        line->addWidget(presets, 1);
        layout->addLayout(line);
    }
    auto* columns = new QHBoxLayout;
    layout->addLayout(columns);
    QGridLayout* grid = nullptr;
    for (std::size_t i = 0; i < form.rows.size(); ++i) {
        if (!grid || i == form.secondColumn) {
            auto* box = new QWidget(this);
            grid = new QGridLayout(box);
            grid->setContentsMargins(0, 0, 0, 0);
            grid->setColumnStretch(1, 1);
            columns->addWidget(box, 1, Qt::AlignTop);
        }
        m_editors.push_back(sw::ui::MakeFieldEditor(form.rows[i], {&doc, grid->parentWidget()}));
        sw::ui::AddRowToGrid(*grid, *m_editors.back());
    }
    if (form.type == SwType::ImageLoad) {
        m_preview = new QLabel(this);
        m_preview->setObjectName(QStringLiteral("preview"));
        m_preview->setFixedSize(240, 180);
        m_preview->setFrameShape(QFrame::Box);
        m_preview->setAlignment(Qt::AlignCenter);
        layout->addWidget(m_preview, 0, Qt::AlignHCenter);
        auto* path = findChild<QLineEdit*>(QStringLiteral("image"));
        connect(path, &QLineEdit::textChanged, this, &CCellDialog::ShowPreview);
    }
    layout->addWidget(sw::ui::OkCancelButtons(this));
    LoadFrom(*m_copy, false);
}

CCellDialog::~CCellDialog() = default;

void CCellDialog::LoadFrom(const CSwCommand& source, bool presetFieldsOnly) {
    for (const auto& editor : m_editors) {
        const std::string_view key = editor->Row().key;
        if (presetFieldsOnly &&
            std::find(std::begin(kPresetKeys), std::end(kPresetKeys), key) == std::end(kPresetKeys))
            continue;
        editor->Load(ValueOf(source, source.SlotOf(key)));
    }
}

void CCellDialog::ApplyPreset(int index) {
    std::unique_ptr<CSwObj> scratch = m_copy->Clone();
    auto& particle = static_cast<CSwParticle&>(*scratch);
    if (particle.ApplyPreset(index))
        LoadFrom(particle, true);
}

void CCellDialog::ShowPreview(const QString& path) {
    std::string file;
    std::optional<SwDib> dib;
    if (!path.isEmpty() && sw::ui::PathToCp932(path, file))
        dib = sw::imaging::DecodePictureFile(file);
    const QImage image = dib ? sw::ui::DibToQImage(*dib) : QImage();
    if (image.isNull()) {
        m_preview->setPixmap(QPixmap());
        m_preview->setText(path.isEmpty() ? QString() : QStringLiteral("(表示できません)"));
        return;
    }
    m_preview->setPixmap(QPixmap::fromImage(image.scaled(
        m_preview->size() - QSize(4, 4), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void CCellDialog::accept() {
    std::unique_ptr<CSwObj> edited = m_copy->Clone();
    auto& cell = static_cast<CSwCommand&>(*edited);
    QStringList missing;
    for (const auto& editor : m_editors) {
        const std::size_t slot = cell.SlotOf(editor->Row().key);
        sw::ui::FieldValue value = ValueOf(cell, slot);
        QString refusal;
        if (!editor->Store(value, refusal)) {
            QMessageBox::warning(this, windowTitle(), refusal);
            editor->Widget()->setFocus();
            return;
        }
        Put(cell, slot, value);
        if (const QString path = editor->MissingFile(); !path.isEmpty())
            missing << path;
    }
    QString message;
    if (m_form.check && !m_form.check(cell, m_doc, message)) {
        QMessageBox::critical(this, QStringLiteral("エラー"), message);
        return;
    }
    // The build would fail on a missing file, but the author may add it
    // later, so this only tells.
    if (!missing.isEmpty())
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("次のファイルが見つかりません：\n") +
                                 missing.join(u'\n'));
    edited->comment = m_copy->comment;
    m_copy.reset(static_cast<CSwCommand*>(edited.release()));
    QDialog::accept();
}

std::unique_ptr<CSwObj> CCellDialog::TakeEdited() {
    if (result() != QDialog::Accepted)
        return nullptr;
    return std::move(m_copy);
}

bool EditCellProperties(CScenewrightDoc& doc, CSwScene& scene, int position, QWidget* parent) {
    if (position < 0 || position >= scene.GetCellCount())
        return false;
    std::unique_ptr<CCellDialog> dialog =
        CCellDialog::Create(doc, *scene.GetCellAt(position), parent);
    if (!dialog)
        return false;
    // The edit tells the views what changed; a cancelled dialog changed nothing.
    const bool accepted = dialog->exec() == QDialog::Accepted;
    return accepted && sw::cells::ReplaceCell(doc, scene, position, dialog->TakeEdited());
}
