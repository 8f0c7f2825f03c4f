#pragma once

// "プロジェクトの設定" and its character editor "キャラクター編集". Both work
// on copies; the project takes the copy over only through ReplaceSettings.

#include "ui/FieldEditors.h"

#include <QDialog>

#include <memory>
#include <vector>

class CScenewrightDoc;
class CSwCharacter;
class CSwSettings;
class QPushButton;
class QTreeWidget;

class CCharacterDialog : public QDialog {
    Q_OBJECT
public:
    CCharacterDialog(const CScenewrightDoc& doc, const std::vector<const CSwCharacter*>& characters,
                     QWidget* parent = nullptr);
    ~CCharacterDialog() override;
    const std::vector<std::unique_ptr<CSwCharacter>>& Characters() const { return m_characters; }

    void Add();
    void Change();
    void Remove();

private:
    // The controls as a character; null, after telling the author, when a
    // control holds what a name cannot.
    std::unique_ptr<CSwCharacter> FromControls();
    void ShowSelected();
    void FillList();

    std::vector<std::unique_ptr<CSwCharacter>> m_characters;
    std::vector<std::unique_ptr<sw::ui::CFieldEditor>> m_editors;
    QTreeWidget* m_list;
};

class CProjectSettingsDialog : public QDialog {
    Q_OBJECT
public:
    CProjectSettingsDialog(const CScenewrightDoc& doc, QWidget* parent = nullptr);
    ~CProjectSettingsDialog() override;
    // The edited copy; meaningful once closed with OK.
    const CSwSettings& Edited() const { return *m_settings; }
    void accept() override;
    // Opens the character editor; its list replaces the copy's on OK.
    void EditCharacters();

private:
    const CScenewrightDoc& m_doc;
    std::unique_ptr<CSwSettings> m_settings;
    std::vector<std::unique_ptr<sw::ui::CFieldEditor>> m_editors;
};

// Opens the project settings dialog and hands an OK'd copy to the document;
// false when nothing changed.
bool EditProjectSettings(CScenewrightDoc& doc, QWidget* parent);
