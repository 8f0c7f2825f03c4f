#pragma once

// "システムの設定": the folder of the KiriKiri engine.

#include <QDialog>

class QLineEdit;

class CSystemSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit CSystemSettingsDialog(const QString& engineFolder, QWidget* parent = nullptr);
    QString EngineFolder() const;
    QLineEdit* FolderField() const { return m_folder; }

private:
    void Browse();

    QLineEdit* m_folder;
};
