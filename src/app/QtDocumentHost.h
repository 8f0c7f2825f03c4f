#pragma once

// The document's questions and file choices as Qt message boxes and file
// dialogs over the main window, and the recent-file list.

#include "document/ScenewrightDoc.h"

#include <QString>

class QWidget;

class QtDocumentHost : public IDocumentHost {
public:
    void SetWindow(QWidget* window) { m_window = window; }
    // The document whose folder the file choosers start in.
    void SetDocument(const CScenewrightDoc* doc) { m_doc = doc; }

    void AddToRecentFiles(const std::string& path) override;
    Answer AskSaveChanges() override;
    bool ChooseProjectToOpen(std::string& path) override;
    bool ChooseProjectToSave(std::string& path) override;
    Answer AskYesNo(std::string_view question, std::string_view caption) override;
    void ShowError(std::string_view message) override;

private:
    bool ChosenPath(const QString& chosen, std::string& path);

    QWidget* m_window = nullptr;
    const CScenewrightDoc* m_doc = nullptr;
};
