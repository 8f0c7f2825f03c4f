#include "app/ScenewrightApp.h"

#include "ui/MainFrame.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>

CScenewrightApp::CScenewrightApp() : m_frame(std::make_unique<CMainFrame>(m_doc, m_host)) {
    m_host.SetWindow(m_frame.get());
    m_host.SetDocument(&m_doc);
    m_frame->resize(1280, 800);
}

CScenewrightApp::~CScenewrightApp() {
    m_doc.SetHost(nullptr);
}

int CScenewrightApp::Run(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Scenewright: scene charts for KAG games"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("project"),
                                 QStringLiteral("a project file (.swo) to open"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("draw the window into a PNG file and quit"),
                                        QStringLiteral("file"));
    parser.addOption(screenshot);
    parser.process(QStringList(QCoreApplication::applicationFilePath()) + arguments);

    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty())
        m_frame->OpenPath(files.first());
    m_frame->show();
    if (files.isEmpty() && !parser.isSet(screenshot))
        m_frame->OfferRecoveryOfLastProject();

    if (parser.isSet(screenshot)) {
        const QString target = parser.value(screenshot);
        // After the first paint, so that the chart has its icons.
        QTimer::singleShot(0, m_frame.get(), [this, target] {
            const bool saved = m_frame->grab().save(target, "PNG");
            if (!saved)
                std::fprintf(stderr, "cannot write %s\n", qPrintable(target));
            QCoreApplication::exit(saved ? 0 : 1);
        });
    }
    return QApplication::exec();
}
