// New, Open and Save with their questions.

#include "document/ScenewrightDoc.h"

bool CScenewrightDoc::SaveChangesFirst(bool saveAs) {
    // Asked for every unsaved change, settings included: Open would
    // otherwise drop them without a word.
    if (!m_modified || !m_host)
        return true;
    switch (m_host->AskSaveChanges()) {
    case IDocumentHost::Answer::Yes:
        return SaveProject(saveAs) == kSaved;
    case IDocumentHost::Answer::No:
        return true;
    case IDocumentHost::Answer::Cancel:
        break;
    }
    return false;
}

int CScenewrightDoc::SaveProject(bool saveAs) {
    std::string target = m_pathName;
    if (saveAs || target.empty()) {
        if (!m_host || !m_host->ChooseProjectToSave(target))
            return kCancelled;
    }
    return WriteProjectFile(target.c_str()) ? kSaved : kWriteFailed;
}

void CScenewrightDoc::OnFileNew() {
    if (m_scenes.empty())
        return;
    // New saves to the project's own file; Open always asks where.
    if (!SaveChangesFirst(false))
        return;
    ResetDocument();
}

bool CScenewrightDoc::OnFileOpen(const std::string& path) {
    if (!SaveChangesFirst(true))
        return false;
    std::string chosen = path;
    if (chosen.empty() && (!m_host || !m_host->ChooseProjectToOpen(chosen)))
        return false;
    ResetDocument();
    if (!ReadProjectFile(chosen.c_str()))
        return false;
    OfferRecovery();
    return true;
}
