#include "ui/FileDialogs.h"

#include "document/ScenewrightDoc.h"
#include "ui/QtText.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>

namespace sw::ui {

namespace {

QString& LastFolder() {
    static QString folder;
    return folder;
}

// Runs a chooser set up by `prepare`; the chosen paths, none when cancelled.
template <typename Prepare>
QStringList Run(QWidget* parent, const QString& title, const QString& start, Prepare prepare) {
    QFileDialog dialog(parent, title, start);
    dialog.setLabelText(QFileDialog::Reject, CancelText());
    prepare(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    if (!chosen.isEmpty())
        RememberFolder(chosen.front());
    return chosen;
}

} // namespace

QString CancelText() {
    return QStringLiteral("ｷｬﾝｾﾙ");
}

void SpellCancelButtons(QWidget* widget) {
    for (QDialogButtonBox* box : widget->findChildren<QDialogButtonBox*>()) {
        if (QPushButton* cancel = box->button(QDialogButtonBox::Cancel))
            cancel->setText(CancelText());
    }
}

QString StartFolder(const CScenewrightDoc* doc, const QString& current) {
    if (!current.isEmpty()) {
        const QFileInfo info(current);
        if (info.exists())
            return info.isDir() ? info.absoluteFilePath() : info.absolutePath();
        if (QFileInfo(info.absolutePath()).isDir())
            return info.absolutePath();
    }
    if (!LastFolder().isEmpty() && QFileInfo(LastFolder()).isDir())
        return LastFolder();
    if (doc && !doc->GetProjectFileFolder().empty())
        return FromCp932(doc->GetProjectFileFolder());
    return QDir::homePath();
}

void RememberFolder(const QString& chosen) {
    const QFileInfo info(chosen);
    LastFolder() = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
}

QString ChooseFileToOpen(QWidget* parent, const QString& title, const QString& filter,
                         const CScenewrightDoc* doc, const QString& current) {
    const QStringList chosen =
        Run(parent, title, StartFolder(doc, current), [&](QFileDialog& dialog) {
            dialog.setFileMode(QFileDialog::ExistingFile);
            dialog.setNameFilter(filter);
            if (QFileInfo(current).isFile())
                dialog.selectFile(current);
        });
    return chosen.isEmpty() ? QString() : chosen.front();
}

QStringList ChooseFilesToOpen(QWidget* parent, const QString& title, const QString& filter,
                              const CScenewrightDoc& doc) {
    return Run(parent, title, StartFolder(&doc), [&](QFileDialog& dialog) {
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setNameFilter(filter);
    });
}

QString ChooseFileToSave(QWidget* parent, const QString& title, const QString& filter,
                         const QString& suffix, const CScenewrightDoc* doc,
                         const QString& current) {
    const QStringList chosen =
        Run(parent, title, StartFolder(doc, current), [&](QFileDialog& dialog) {
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setNameFilter(filter);
            dialog.setDefaultSuffix(suffix);
            if (!current.isEmpty())
                dialog.selectFile(current);
        });
    return chosen.isEmpty() ? QString() : chosen.front();
}

QString ChooseFolder(QWidget* parent, const QString& title, const CScenewrightDoc* doc,
                     const QString& current) {
    const QStringList chosen =
        Run(parent, title, StartFolder(doc, current), [](QFileDialog& dialog) {
            dialog.setFileMode(QFileDialog::Directory);
            dialog.setOption(QFileDialog::ShowDirsOnly);
        });
    return chosen.isEmpty() ? QString() : chosen.front();
}

} // namespace sw::ui
