#include "app/QtDocumentHost.h"

#include "ui/QtText.h"
#include "ui/RecentFiles.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

const QString kProjectFilter = QStringLiteral("Sw Files (*.swo);;All Files (*)");

IDocumentHost::Answer Ask(QWidget* window, const QString& caption, const QString& question,
                          QMessageBox::StandardButtons buttons) {
    QMessageBox box(QMessageBox::Question, caption, question, buttons, window);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("はい(&Y)"));
    box.button(QMessageBox::No)->setText(QStringLiteral("いいえ(&N)"));
    if (QAbstractButton* cancel = box.button(QMessageBox::Cancel))
        cancel->setText(QStringLiteral("キャンセル"));
    switch (box.exec()) {
    case QMessageBox::Yes:
        return IDocumentHost::Answer::Yes;
    case QMessageBox::No:
        return IDocumentHost::Answer::No;
    default:
        return IDocumentHost::Answer::Cancel;
    }
}

} // namespace

void QtDocumentHost::AddToRecentFiles(const std::string& path) {
    sw::ui::AddRecentFile(QFileInfo(sw::ui::FromCp932(path)).absoluteFilePath());
}

IDocumentHost::Answer QtDocumentHost::AskSaveChanges() {
    return Ask(m_window, QStringLiteral("確認"),
               QStringLiteral("プロジェクトが変更されています。変更点を保存しますか？"),
               QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

bool QtDocumentHost::ChosenPath(const QString& chosen, std::string& path) {
    if (chosen.isEmpty())
        return false;
    QString error;
    if (sw::ui::PathToCp932(chosen, path, &error))
        return true;
    QMessageBox::critical(m_window, QStringLiteral("エラー"), error);
    return false;
}

bool QtDocumentHost::ChooseProjectToOpen(std::string& path) {
    return ChosenPath(QFileDialog::getOpenFileName(m_window, QStringLiteral("開く"), QString(),
                                                   kProjectFilter),
                      path);
}

bool QtDocumentHost::ChooseProjectToSave(std::string& path) {
    QFileDialog dialog(m_window, QStringLiteral("名前を付けて保存"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(kProjectFilter.split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(QStringLiteral("swo"));
    if (!path.empty())
        dialog.selectFile(sw::ui::FromCp932(path));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    return ChosenPath(dialog.selectedFiles().first(), path);
}

IDocumentHost::Answer QtDocumentHost::AskYesNo(std::string_view question,
                                               std::string_view caption) {
    return Ask(m_window, sw::ui::FromCp932(caption), sw::ui::FromCp932(question),
               QMessageBox::Yes | QMessageBox::No);
}

void QtDocumentHost::ShowError(std::string_view message) {
    QMessageBox::critical(m_window, QStringLiteral("エラー"), sw::ui::FromCp932(message));
}
