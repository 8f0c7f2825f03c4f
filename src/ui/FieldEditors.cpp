#include "ui/FieldEditors.h"

#include "document/ScenewrightDoc.h"
#include "model/cells/LayerNames.h"
#include "ui/FileDialogs.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <utility>
#include <vector>

namespace sw::ui {

namespace {

QString Utf8(const char* text) {
    return QString::fromUtf8(text ? text : "");
}

// Text boxes take what Shift_JIS can hold; anything else would be lost on
// the way into the project.
bool TextOf(const QString& text, std::string& cp932, QString& refusal) {
    if (ToCp932(text, cp932))
        return true;
    refusal = QStringLiteral("Shift_JIS で表せない文字が含まれています。");
    return false;
}

class CCheckEditor : public CFieldEditor {
public:
    CCheckEditor(const FieldRow& row, QCheckBox* box) : CFieldEditor(row, box), m_box(box) {
        box->setTristate(row.kind == EditorKind::TriState);
    }
    void Load(const FieldValue& value) override {
        if (Row().kind == EditorKind::Flag)
            m_box->setChecked(value.integer != 0);
        else
            m_box->setCheckState(value.integer == 1   ? Qt::Checked
                                 : value.integer == 2 ? Qt::PartiallyChecked
                                                      : Qt::Unchecked);
    }
    bool Store(FieldValue& value, QString&) const override {
        const Qt::CheckState state = m_box->checkState();
        value.integer = state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0;
        return true;
    }

private:
    QCheckBox* m_box;
};

class CNumberEditor : public CFieldEditor {
public:
    CNumberEditor(const FieldRow& row, QLineEdit* edit) : CFieldEditor(row, edit), m_edit(edit) {
        edit->setMinimumWidth(80);
    }
    void Load(const FieldValue& value) override {
        if (Row().kind == EditorKind::Real)
            m_edit->setText(QString::number(value.real, 'g', 15));
        else if (Row().kind == EditorKind::Unsigned)
            m_edit->setText(QString::number(static_cast<std::uint32_t>(value.integer)));
        else
            m_edit->setText(QString::number(value.integer));
    }
    bool Store(FieldValue& value, QString& refusal) const override {
        const QString text = m_edit->text().trimmed();
        bool ok = false;
        switch (Row().kind) {
        case EditorKind::Real: {
            const double number = text.toDouble(&ok);
            if (!ok) {
                refusal = QStringLiteral("数値を入力してください。");
                return false;
            }
            value.real = number;
            return true;
        }
        case EditorKind::PlainInteger:
            value.integer = LeadingDecimal(text);
            return true;
        case EditorKind::Unsigned: {
            const qlonglong number = text.startsWith(u'-') ? -1 : text.toLongLong(&ok, Row().base);
            if (!ok || number < 0 || number > qlonglong(UINT_MAX) || number < Row().minimum ||
                (Row().maximum != INT_MAX && number > Row().maximum)) {
                refusal = IntegerRefusal(Row());
                return false;
            }
            value.integer = static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
            return true;
        }
        default: {
            const qlonglong number = text.toLongLong(&ok, Row().base);
            if (!ok || number < Row().minimum || number > Row().maximum) {
                refusal = IntegerRefusal(Row());
                return false;
            }
            value.integer = static_cast<std::int32_t>(number);
            return true;
        }
        }
    }

private:
    // An optional sign and the digits after it, as far as they go; the
    // value saturates rather than wrapping.
    static std::int32_t LeadingDecimal(const QString& text) {
        qsizetype at = 0;
        bool negative = false;
        if (at < text.size() && (text[at] == u'-' || text[at] == u'+'))
            negative = text[at++] == u'-';
        qint64 number = 0;
        for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at)
            number =
                std::min<qint64>(number * 10 + (text[at].unicode() - u'0'), qint64(INT_MAX) + 1);
        if (negative)
            number = -number;
        return static_cast<std::int32_t>(std::clamp<qint64>(number, INT_MIN, INT_MAX));
    }

    QLineEdit* m_edit;
};

class CTextEditor : public CFieldEditor {
public:
    CTextEditor(const FieldRow& row, QLineEdit* edit) : CFieldEditor(row, edit), m_edit(edit) {
        edit->setMinimumWidth(200);
        if (row.maxLength > 0)
            edit->setMaxLength(row.maxLength);
    }
    void Load(const FieldValue& value) override { m_edit->setText(FromCp932(value.text)); }
    bool Store(FieldValue& value, QString& refusal) const override {
        return TextOf(m_edit->text(), value.text, refusal);
    }

private:
    QLineEdit* m_edit;
};

class CRichTextEditor : public CFieldEditor {
public:
    CRichTextEditor(const FieldRow& row, QPlainTextEdit* edit)
        : CFieldEditor(row, edit), m_edit(edit) {
        edit->setMinimumSize(360, 120);
        edit->setTabChangesFocus(true);
    }
    void Load(const FieldValue& value) override { m_edit->setPlainText(FromCp932(value.text)); }
    bool Store(FieldValue& value, QString& refusal) const override {
        return TextOf(m_edit->toPlainText(), value.text, refusal);
    }

private:
    QPlainTextEdit* m_edit;
};

class CChoiceEditor : public CFieldEditor {
public:
    CChoiceEditor(const FieldRow& row, QComboBox* box, const EditorContext& context)
        : CFieldEditor(row, box), m_box(box) {
        if (row.items && context.doc)
            box->addItems(row.items(*context.doc));
    }
    void Load(const FieldValue& value) override {
        m_box->setCurrentIndex(value.integer >= 0 && value.integer < m_box->count() ? value.integer
                                                                                    : -1);
    }
    bool Store(FieldValue& value, QString&) const override {
        value.integer = m_box->currentIndex();
        return true;
    }

private:
    QComboBox* m_box;
};

class CLayerEditor : public CFieldEditor {
public:
    CLayerEditor(const FieldRow& row, QComboBox* box, const EditorContext& context)
        : CFieldEditor(row, box), m_box(box), m_messageOnly(row.layers == LayerSet::MessageLayers),
          m_keepEmpty(row.layers == LayerSet::RecordedLayers),
          m_names(context.doc->GetSettings().laycount, context.doc->GetSettings().msglaycount,
                  false, row.layers == LayerSet::LayersWithAll) {
        for (int position = 0; position < m_names.Count(); ++position) {
            if (!m_messageOnly || m_names.NameAt(position).starts_with("message")) {
                box->addItem(FromCp932(m_names.LabelAt(position)));
                m_positions.push_back(position);
            }
        }
    }
    // The list position the layer naming gives the stored name, so a new
    // cell's empty name shows (and OK stores) a real layer rather than
    // nothing; a name beyond the project's layers selects nothing.
    void Load(const FieldValue& value) override {
        int position = m_names.PositionOf(value.text);
        // The message-only list counts its own entries from 0.
        if (m_messageOnly && !value.text.starts_with("message"))
            position = m_positions.empty() ? -1 : m_positions.front();
        if (m_keepEmpty && value.text.empty())
            position = -1;
        const auto at = std::find(m_positions.begin(), m_positions.end(), position);
        m_box->setCurrentIndex(
            at == m_positions.end() ? -1 : static_cast<int>(at - m_positions.begin()));
    }
    bool Store(FieldValue& value, QString&) const override {
        const int at = m_box->currentIndex();
        value.text =
            at >= 0 ? m_names.NameAt(m_positions[static_cast<std::size_t>(at)]) : std::string();
        return true;
    }

private:
    QComboBox* m_box;
    bool m_messageOnly;
    bool m_keepEmpty;
    LayerNames m_names;
    std::vector<int> m_positions; // the layer naming's position of each entry
};

class CPathEditor : public CFieldEditor {
public:
    CPathEditor(const FieldRow& row, QWidget* box, QLineEdit* edit, const EditorContext& context)
        : CFieldEditor(row, box), m_edit(edit) {
        m_doc = context.doc;
        if (context.doc)
            m_folder = FromCp932(context.doc->GetProjectFileFolder());
        if (row.maxLength > 0)
            edit->setMaxLength(row.maxLength);
        edit->setObjectName(QString::fromUtf8(row.key));
        edit->setMinimumWidth(280);
        auto* browse = new QPushButton(QStringLiteral("参照..."), box);
        auto* line = new QHBoxLayout(box);
        line->setContentsMargins(0, 0, 0, 0);
        line->addWidget(edit, 1);
        line->addWidget(browse);
        box->setFocusProxy(edit);
        QObject::connect(browse, &QPushButton::clicked, box, [this, box] { Browse(box); });
    }
    void Load(const FieldValue& value) override {
        QString path = FromCp932(value.text);
        if (!path.isEmpty() && QDir::isRelativePath(path) && !m_folder.isEmpty())
            path = QDir(m_folder).filePath(path);
        m_edit->setText(QDir::toNativeSeparators(path));
    }
    bool Store(FieldValue& value, QString& refusal) const override {
        const QString path = m_edit->text().trimmed();
        if (path.isEmpty()) {
            value.text.clear();
            return true;
        }
        QString error;
        if (PathToCp932(QDir::cleanPath(path), value.text, &error))
            return true;
        refusal = error;
        return false;
    }
    QString MissingFile() const override {
        const QString path = m_edit->text().trimmed();
        if (!Row().checkExists || path.isEmpty())
            return QString();
        const QFileInfo info(path);
        const bool present = Row().kind == EditorKind::Folder ? info.isDir() : info.isFile();
        return present ? QString() : path;
    }

private:
    void Browse(QWidget* box) {
        QString start = m_edit->text().trimmed();
        if (!start.isEmpty() && QDir::isRelativePath(start) && !m_folder.isEmpty())
            start = QDir(m_folder).filePath(start);
        QString chosen;
        if (Row().kind == EditorKind::Folder)
            chosen = ChooseFolder(box, Utf8(Row().extra), m_doc, start);
        else
            chosen = ChooseFileToOpen(box, QStringLiteral("参照"), QtFileFilter(Row().extra), m_doc,
                                      start);
        if (!chosen.isEmpty())
            m_edit->setText(QDir::toNativeSeparators(chosen));
    }

    QLineEdit* m_edit;
    QString m_folder;
    const CScenewrightDoc* m_doc = nullptr;
};

class CColourEditor : public CFieldEditor {
public:
    CColourEditor(const FieldRow& row, QPushButton* button) : CFieldEditor(row, button) {
        m_patch = new QFrame(button->parentWidget());
        m_patch->setObjectName(QString::fromUtf8(row.key) + QStringLiteral("Sample"));
        m_patch->setFrameShape(QFrame::Box);
        m_patch->setFixedSize(48, 20);
        m_patch->setAutoFillBackground(true);
        QObject::connect(button, &QPushButton::clicked, button, [this, button] {
            QColorDialog chooser(m_colour, button);
            chooser.setOption(QColorDialog::DontUseNativeDialog);
            SpellCancelButtons(&chooser);
            if (chooser.exec() == QDialog::Accepted && chooser.selectedColor().isValid())
                Show(chooser.selectedColor());
        });
    }
    void Load(const FieldValue& value) override {
        const auto bgr = static_cast<std::uint32_t>(value.integer);
        Show(QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)));
    }
    bool Store(FieldValue& value, QString&) const override {
        value.integer = static_cast<std::int32_t>(std::uint32_t(m_colour.red()) |
                                                  (std::uint32_t(m_colour.green()) << 8) |
                                                  (std::uint32_t(m_colour.blue()) << 16));
        return true;
    }
    QFrame* Patch() const { return m_patch; }
    void Show(const QColor& colour) {
        m_colour = colour;
        QPalette palette = m_patch->palette();
        palette.setColor(QPalette::Window, colour);
        m_patch->setPalette(palette);
    }

private:
    QFrame* m_patch;
    QColor m_colour;
};

} // namespace

QDialogButtonBox* OkCancelButtons(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Cancel)->setText(CancelText());
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QString IntegerRefusal(const FieldRow& row) {
    if (row.minimum != INT_MIN && row.maximum != INT_MAX)
        return QStringLiteral("%1 から %2 までの整数を入力してください。")
            .arg(row.minimum)
            .arg(row.maximum);
    if (row.minimum > 0 || (row.minimum == 0 && row.kind == EditorKind::Integer))
        return QStringLiteral("%1 以上の整数を入力してください。").arg(row.minimum);
    if (row.kind == EditorKind::Unsigned)
        return QStringLiteral("正の整数を入力してください。");
    return QStringLiteral("整数を入力してください。");
}

QString QtFileFilter(const char* barFilter) {
    const QStringList parts = Utf8(barFilter).split(u'|', Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        if (const qsizetype open = name.lastIndexOf(u'('); open > 0)
            name = name.left(open).trimmed();
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        // "*.*" means every file to the system chooser; Qt's own would want
        // a dot in the name.
        if (patterns == QStringLiteral("*.*"))
            patterns = QStringLiteral("*");
        filters << name + QStringLiteral(" (") + patterns + u')';
    }
    return filters.join(QStringLiteral(";;"));
}

std::unique_ptr<CFieldEditor> MakeFieldEditor(const FieldRow& row, const EditorContext& context) {
    QWidget* parent = context.parent;
    std::unique_ptr<CFieldEditor> editor;
    switch (row.kind) {
    case EditorKind::Flag:
    case EditorKind::TriState:
        editor = std::make_unique<CCheckEditor>(row, new QCheckBox(Utf8(row.label), parent));
        break;
    case EditorKind::Integer:
    case EditorKind::Unsigned:
    case EditorKind::PlainInteger:
    case EditorKind::Real:
        editor = std::make_unique<CNumberEditor>(row, new QLineEdit(parent));
        break;
    case EditorKind::Text:
        editor = std::make_unique<CTextEditor>(row, new QLineEdit(parent));
        break;
    case EditorKind::RichText:
        editor = std::make_unique<CRichTextEditor>(row, new QPlainTextEdit(parent));
        break;
    case EditorKind::Choice:
        editor = std::make_unique<CChoiceEditor>(row, new QComboBox(parent), context);
        break;
    case EditorKind::LayerName:
        editor = std::make_unique<CLayerEditor>(row, new QComboBox(parent), context);
        break;
    case EditorKind::FilePath:
    case EditorKind::Folder:
        editor = std::make_unique<CPathEditor>(row, new QWidget(parent), new QLineEdit, context);
        return editor;
    case EditorKind::Colour:
        editor = std::make_unique<CColourEditor>(row, new QPushButton(Utf8(row.extra), parent));
        break;
    }
    editor->Widget()->setObjectName(QString::fromUtf8(row.key));
    return editor;
}

void AddRowToGrid(QGridLayout& grid, const CFieldEditor& editor) {
    const FieldRow& row = editor.Row();
    QWidget* parent = grid.parentWidget();
    const int line = grid.rowCount();
    switch (row.kind) {
    case EditorKind::Flag:
    case EditorKind::TriState:
        grid.addWidget(editor.Widget(), line, 0, 1, 2);
        return;
    case EditorKind::RichText:
        if (row.label && *row.label) {
            grid.addWidget(new QLabel(Utf8(row.label), parent), line, 0, 1, 2);
            grid.addWidget(editor.Widget(), line + 1, 0, 1, 2);
        } else {
            grid.addWidget(editor.Widget(), line, 0, 1, 2);
        }
        return;
    case EditorKind::Colour: {
        auto* cell = new QHBoxLayout;
        cell->addWidget(new QLabel(Utf8(row.label), parent));
        cell->addWidget(static_cast<const CColourEditor&>(editor).Patch());
        cell->addStretch(1);
        grid.addWidget(editor.Widget(), line, 0);
        grid.addLayout(cell, line, 1);
        return;
    }
    default: {
        auto* label = new QLabel(Utf8(row.label), parent);
        label->setBuddy(editor.Widget());
        grid.addWidget(label, line, 0);
        grid.addWidget(editor.Widget(), line, 1);
        return;
    }
    }
}

} // namespace sw::ui
