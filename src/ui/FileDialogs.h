#pragma once

// The editor's file and folder choosers: they start in the folder last
// chosen in this session, else the project file's folder, else the home
// folder, never in the folder the program happened to be started from; and
// their buttons speak as every other dialog does (ｷｬﾝｾﾙ).

#include <QString>
#include <QStringList>

class CScenewrightDoc;
class QDialogButtonBox;
class QWidget;

namespace sw::ui {

// The cancel button's one spelling.
QString CancelText();
// Sets every cancel button below `widget` (a colour chooser, say) to it.
void SpellCancelButtons(QWidget* widget);

// Where a chooser starts: `current` when it names an existing file or
// folder, else the last folder chosen, else the project file's folder
// (`doc` may be null), else home.
QString StartFolder(const CScenewrightDoc* doc, const QString& current = QString());
// Remembers the folder of a chosen path for the next chooser.
void RememberFolder(const QString& chosen);

// Empty when cancelled. `filter` is in Qt's form ("Images (*.png);;All (*)").
QString ChooseFileToOpen(QWidget* parent, const QString& title, const QString& filter,
                         const CScenewrightDoc* doc, const QString& current = QString());
QStringList ChooseFilesToOpen(QWidget* parent, const QString& title, const QString& filter,
                              const CScenewrightDoc& doc);
QString ChooseFileToSave(QWidget* parent, const QString& title, const QString& filter,
                         const QString& suffix, const CScenewrightDoc* doc,
                         const QString& current = QString());
QString ChooseFolder(QWidget* parent, const QString& title, const CScenewrightDoc* doc,
                     const QString& current = QString());

} // namespace sw::ui
