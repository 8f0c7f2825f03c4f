#pragma once

// "システムの設定": the KiriKiri engine (its folder or its executable), the
// engine's KAG3 template that game folders are set up from, and how many
// earlier versions a save keeps.

#include <QDialog>

class QLineEdit;
class QSpinBox;

class CSystemSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit CSystemSettingsDialog(const QString& engineFolder, int backupCount = 5,
                                   QWidget* parent = nullptr);
    QString EngineFolder() const;
    int BackupCount() const;
    QString TemplateFolder() const;
    void SetTemplateFolder(const QString& folder);
    QLineEdit* FolderField() const { return m_folder; }
    QLineEdit* TemplateField() const { return m_template; }
    QSpinBox* BackupCountField() const { return m_backups; }

private:
    void BrowseFolder(QLineEdit* field, const QString& title);
    void BrowseEngineFile();

    QLineEdit* m_folder;
    QLineEdit* m_template;
    QSpinBox* m_backups;
};
