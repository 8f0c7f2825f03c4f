#pragma once

// The application object: the one document, its host and the main window,
// and what the command line asks for at start-up.

#include "app/QtDocumentHost.h"
#include "document/ScenewrightDoc.h"

#include <QStringList>

#include <memory>

class CMainFrame;

class CScenewrightApp {
public:
    CScenewrightApp();
    ~CScenewrightApp();

    // Processes the command line (arguments without the program name),
    // shows the window and runs the event loop; the exit status.
    int Run(const QStringList& arguments);

private:
    CScenewrightDoc m_doc;
    QtDocumentHost m_host;
    std::unique_ptr<CMainFrame> m_frame;
};
