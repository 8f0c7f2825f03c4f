#include "app/ScenewrightApp.h"
#include "platform/Versions.h"
#include "ui/CellIcons.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // Answered before any window system is needed, so that it works on a
    // machine without a display too.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0) {
            std::printf("scenewright %s\n%sQt %s\n", sw::versions::Program(),
                        sw::versions::Libraries().c_str(), qVersion());
            return 0;
        }
    }
    QApplication application(argc, argv);
    // The per-user settings (the recent-file list) live under this key.
    QCoreApplication::setOrganizationName(QStringLiteral("orvik"));
    QCoreApplication::setApplicationName(QStringLiteral("Scenewright"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(sw::versions::Program()));
    // The window and the task bar show the program's icon; the desktop
    // entry of that name ties the running program to it.
    QApplication::setWindowIcon(AppIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("scenewright"));
    CScenewrightApp program;
    return program.Run(QApplication::arguments().mid(1));
}
