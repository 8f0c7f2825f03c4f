#include "ui/SystemSettingsDialog.h"

#include "ui/FieldEditors.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

CSystemSettingsDialog::CSystemSettingsDialog(const QString& engineFolder, int backupCount,
                                             QWidget* parent)
    : QDialog(parent), m_folder(new QLineEdit(engineFolder, this)), m_backups(new QSpinBox(this)) {
    setWindowTitle(QStringLiteral("システムの設定"));
    auto* browse = new QPushButton(QStringLiteral("参照..."), this);
    connect(browse, &QPushButton::clicked, this, &CSystemSettingsDialog::Browse);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("吉里吉里のフォルダ："), this));
    row->addWidget(m_folder, 1);
    row->addWidget(browse);
    m_backups->setRange(0, 99);
    m_backups->setValue(backupCount);
    auto* backupRow = new QHBoxLayout;
    backupRow->addWidget(new QLabel(QStringLiteral("保存のたびに残すバックアップの数："), this));
    backupRow->addWidget(m_backups);
    backupRow->addStretch(1);
    QDialogButtonBox* buttons = sw::ui::OkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(backupRow);
    layout->addWidget(buttons);
    m_folder->setMinimumWidth(320);
}

QString CSystemSettingsDialog::EngineFolder() const {
    return m_folder->text();
}

int CSystemSettingsDialog::BackupCount() const {
    return m_backups->value();
}

void CSystemSettingsDialog::Browse() {
    const QString chosen = QFileDialog::getExistingDirectory(
        this, QStringLiteral("吉里吉里のフォルダ"), m_folder->text());
    if (!chosen.isEmpty())
        m_folder->setText(chosen);
}
