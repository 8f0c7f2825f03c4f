#include "ui/RecentFiles.h"

#include <QSettings>

namespace sw::ui {

namespace {

const QString kGroup = QStringLiteral("Recent File List");

void Store(const QStringList& files) {
    QSettings settings;
    settings.beginGroup(kGroup);
    settings.remove(QString());
    for (int i = 0; i < files.size() && i < kRecentFileCount; ++i)
        settings.setValue(QStringLiteral("File%1").arg(i + 1), files[i]);
}

} // namespace

QStringList RecentFiles() {
    QSettings settings;
    settings.beginGroup(kGroup);
    QStringList files;
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString file = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!file.isEmpty())
            files << file;
    }
    return files;
}

void AddRecentFile(const QString& path) {
    QStringList files = RecentFiles();
    files.removeAll(path);
    files.prepend(path);
    Store(files);
}

void RemoveRecentFile(const QString& path) {
    QStringList files = RecentFiles();
    files.removeAll(path);
    Store(files);
}

} // namespace sw::ui
