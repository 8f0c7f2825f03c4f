#pragma once

// "システムの設定": the folder of the KiriKiri engine and how many earlier
// versions a save keeps.

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
    QLineEdit* FolderField() const { return m_folder; }
    QSpinBox* BackupCountField() const { return m_backups; }

private:
    void Browse();

    QLineEdit* m_folder;
    QSpinBox* m_backups;
};
