#include "app/QtDocumentHost.h"

#include "ui/FileDialogs.h"
#include "ui/QtText.h"
#include "ui/RecentFiles.h"

#include <QAbstractButton>
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
        cancel->setText(sw::ui::CancelText());
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
    return ChosenPath(sw::ui::ChooseFileToOpen(m_window, QStringLiteral("開く"), kProjectFilter,
                                               m_doc, sw::ui::FromCp932(path)),
                      path);
}

bool QtDocumentHost::ChooseProjectToSave(std::string& path) {
    return ChosenPath(sw::ui::ChooseFileToSave(m_window, QStringLiteral("名前を付けて保存"),
                                               kProjectFilter, QStringLiteral("swo"), m_doc,
                                               sw::ui::FromCp932(path)),
                      path);
}

IDocumentHost::Answer QtDocumentHost::AskYesNo(std::string_view question,
                                               std::string_view caption) {
    return Ask(m_window, sw::ui::FromCp932(caption), sw::ui::FromCp932(question),
               QMessageBox::Yes | QMessageBox::No);
}

void QtDocumentHost::ShowError(std::string_view message) {
    QMessageBox::critical(m_window, QStringLiteral("エラー"), sw::ui::FromCp932(message));
}
