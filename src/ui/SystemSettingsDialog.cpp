#include "ui/SystemSettingsDialog.h"

#include "ui/FieldEditors.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CSystemSettingsDialog::CSystemSettingsDialog(const QString& engineFolder, QWidget* parent)
    : QDialog(parent), m_folder(new QLineEdit(engineFolder, this)) {
    setWindowTitle(QStringLiteral("システムの設定"));
    auto* browse = new QPushButton(QStringLiteral("参照..."), this);
    connect(browse, &QPushButton::clicked, this, &CSystemSettingsDialog::Browse);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("吉里吉里のフォルダ："), this));
    row->addWidget(m_folder, 1);
    row->addWidget(browse);
    QDialogButtonBox* buttons = sw::ui::OkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    m_folder->setMinimumWidth(320);
}

QString CSystemSettingsDialog::EngineFolder() const {
    return m_folder->text();
}

void CSystemSettingsDialog::Browse() {
    const QString chosen = QFileDialog::getExistingDirectory(
        this, QStringLiteral("吉里吉里のフォルダ"), m_folder->text());
    if (!chosen.isEmpty())
        m_folder->setText(chosen);
}
