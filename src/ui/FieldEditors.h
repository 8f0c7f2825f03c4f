#pragma once

// The controls that every property dialog is made of. A dialog describes its
// rows in a table (label, field, kind of editor, choices or file filter); the
// editors here turn a field value into a control and back, refusing text that
// the field cannot hold.

#include <QString>
#include <QStringList>
#include <QWidget>

#include <climits>
#include <cstdint>
#include <memory>
#include <string>

class CScenewrightDoc;
class QDialog;
class QDialogButtonBox;
class QGridLayout;

namespace sw::ui {

enum class EditorKind {
    Flag,         // check box: 1 or 0
    TriState,     // three-state check box: 0 unchecked, 1 checked, 2 undetermined
    Integer,      // signed decimal, refused when not a number or out of range
    Unsigned,     // the same without a sign
    PlainInteger, // leading decimal with an optional sign, 0 for anything else
    Real,
    Text,
    RichText,  // multi-line, exchanged as plain text
    Choice,    // the field is the index into the row's list
    LayerName, // the field is a layer's name from the project's layer list
    FilePath,  // with a 参照... button; the row's choices give the filter
    Folder,    // the same with a folder chooser
    Colour,    // 0x00BBGGRR, a chooser button and a sample patch
};

// Which layers a layer-name row offers. A field that no tag is written
// from (RecordedLayers) keeps an empty name empty; the others show it as
// the layer the naming rule gives it.
enum class LayerSet { Layers, LayersWithAll, MessageLayers, RecordedLayers };

// The list a choice row offers, built when the dialog opens.
using ChoiceItems = QStringList (*)(const CScenewrightDoc& doc);

struct FieldRow {
    const char* label; // UTF-8; for flags the check box's own text
    const char* key;   // the field's project-file key
    EditorKind kind;
    ChoiceItems items = nullptr;
    // The file chooser filter ("description|pattern|...||"), the colour
    // button's text, or the folder chooser's title.
    const char* extra = nullptr;
    int minimum = INT_MIN;
    int maximum = INT_MAX;
    LayerSet layers = LayerSet::Layers;
    int base = 10;     // 0 also reads 0x hexadecimal and leading-0 octal
    int maxLength = 0; // 0 for no limit
    // False for paths that name a group of files (the particle images).
    bool checkExists = true;
};

// A field as the editors see it; an editor sets only its own part.
struct FieldValue {
    std::int32_t integer = 0;
    double real = 0.0;
    std::string text; // CP932
};

// Where a dialog's file paths are relative to.
struct EditorContext {
    const CScenewrightDoc* doc = nullptr;
    QWidget* parent = nullptr;
};

class CFieldEditor {
public:
    virtual ~CFieldEditor() = default;
    virtual void Load(const FieldValue& value) = 0;
    // False, with the message for the author, when the control's content is
    // not a value of the field.
    virtual bool Store(FieldValue& value, QString& refusal) const = 0;
    // Existing file paths only: the path when it names no file, else empty.
    virtual QString MissingFile() const { return QString(); }
    // The control that takes the focus and that the row puts in the layout.
    QWidget* Widget() const { return m_widget; }
    const FieldRow& Row() const { return m_row; }

protected:
    CFieldEditor(const FieldRow& row, QWidget* widget) : m_row(row), m_widget(widget) {}

private:
    const FieldRow& m_row;
    QWidget* m_widget;
};

// The editor of `row`, with its widget's object name set to the row's key.
std::unique_ptr<CFieldEditor> MakeFieldEditor(const FieldRow& row, const EditorContext& context);

// Puts the row's label and control on the next line of `grid` (two columns).
void AddRowToGrid(QGridLayout& grid, const CFieldEditor& editor);

// A filter of the system chooser ("Bgm Files (*.wav;*.ogg)|*.wav;*.ogg|...||")
// as Qt's name filters ("Bgm Files (*.wav *.ogg);;...").
QString QtFileFilter(const char* barFilter);

// "OK" and "ｷｬﾝｾﾙ", wired to the dialog's accept and reject.
QDialogButtonBox* OkCancelButtons(QDialog* dialog);

// The standard refusals of the integer boxes.
QString IntegerRefusal(const FieldRow& row);

} // namespace sw::ui
