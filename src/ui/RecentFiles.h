#pragma once

// The File menu's list of the last projects opened or saved, newest first,
// kept in the per-user settings of the "orvik" organisation.

#include <QStringList>

namespace sw::ui {

inline constexpr int kRecentFileCount = 4;

QStringList RecentFiles();
// Puts `path` first, dropping an older entry of the same file and any
// entries past the fourth.
void AddRecentFile(const QString& path);
void RemoveRecentFile(const QString& path);

} // namespace sw::ui
