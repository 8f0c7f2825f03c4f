#pragma once

#include "document/ScenewrightDoc.h"

#include <string>
#include <vector>

// A host whose answers the test sets beforehand and which records what it
// was asked.
class ScriptedHost : public IDocumentHost {
public:
    void AddToRecentFiles(const std::string& path) override { recent.push_back(path); }
    Answer AskSaveChanges() override {
        ++questions;
        return answer;
    }
    bool ChooseProjectToOpen(std::string& path) override {
        path = openPath;
        return !openPath.empty();
    }
    bool ChooseProjectToSave(std::string& path) override {
        ++saveDialogs;
        path = savePath;
        return !savePath.empty();
    }
    Answer AskYesNo(std::string_view question, std::string_view caption) override {
        asked.push_back(std::string(caption) + ":" + std::string(question));
        return yesNoAnswer;
    }
    void ShowError(std::string_view message) override { errors.emplace_back(message); }

    Answer answer = Answer::Cancel;
    Answer yesNoAnswer = Answer::No;
    std::string openPath, savePath;
    int questions = 0, saveDialogs = 0;
    std::vector<std::string> recent, asked, errors;
};
