#pragma once

// The property dialogs of the cells: one dialog class, made for each type
// from that type's table of rows. The dialog edits a copy; the cell changes
// only when the copy is handed back to the document on OK.

#include "ui/FieldEditors.h"

#include <QDialog>

#include <memory>
#include <vector>

class CScenewrightDoc;
class CSwCommand;
class CSwObj;
class CSwScene;
class QComboBox;
class QLabel;

class CCellDialog : public QDialog {
    Q_OBJECT
public:
    // False for the types without fields, which have no dialog.
    static bool HasDialog(std::int32_t type);
    // Null for the types without fields.
    static std::unique_ptr<CCellDialog> Create(const CScenewrightDoc& doc, const CSwObj& cell,
                                               QWidget* parent = nullptr);
    ~CCellDialog() override;
    // The edited copy, once the dialog was closed with OK.
    std::unique_ptr<CSwObj> TakeEdited();

    void accept() override;

    struct Form;

private:
    CCellDialog(const CScenewrightDoc& doc, const Form& form, std::unique_ptr<CSwCommand> copy,
                QWidget* parent);
    void LoadFrom(const CSwCommand& source, bool presetFieldsOnly);
    void ApplyPreset(int index);
    void ShowPreview(const QString& path);

    const CScenewrightDoc& m_doc;
    const Form& m_form;
    std::unique_ptr<CSwCommand> m_copy;
    std::vector<std::unique_ptr<sw::ui::CFieldEditor>> m_editors;
    QLabel* m_preview = nullptr;
};

// Opens the dialog of the cell at `position` and hands an OK'd copy to the
// document; the views are refreshed either way. False when nothing changed.
bool EditCellProperties(CScenewrightDoc& doc, CSwScene& scene, int position, QWidget* parent);
