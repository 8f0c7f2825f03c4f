#include "app/ScenewrightApp.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The per-user settings (the recent-file list) live under this key.
    QCoreApplication::setOrganizationName(QStringLiteral("orvik"));
    QCoreApplication::setApplicationName(QStringLiteral("Scenewright"));
    CScenewrightApp program;
    return program.Run(QApplication::arguments().mid(1));
}
