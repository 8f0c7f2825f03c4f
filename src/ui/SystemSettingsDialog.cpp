#include "ui/SystemSettingsDialog.h"

#include "ui/FieldEditors.h"
#include "ui/FileDialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

CSystemSettingsDialog::CSystemSettingsDialog(const QString& engineFolder, int backupCount,
                                             QWidget* parent)
    : QDialog(parent), m_folder(new QLineEdit(engineFolder, this)), m_template(new QLineEdit(this)),
      m_backups(new QSpinBox(this)) {
    setWindowTitle(QStringLiteral("システムの設定"));
    auto* browse = new QPushButton(QStringLiteral("参照..."), this);
    connect(browse, &QPushButton::clicked, this,
            [this] { BrowseFolder(m_folder, QStringLiteral("吉里吉里のフォルダ")); });
    // The native engine is often one program file among others, such as
    // an AppImage in the downloads folder.
    auto* browseFile = new QPushButton(QStringLiteral("実行ファイル..."), this);
    connect(browseFile, &QPushButton::clicked, this, &CSystemSettingsDialog::BrowseEngineFile);
    auto* browseTemplate = new QPushButton(QStringLiteral("参照..."), this);
    connect(browseTemplate, &QPushButton::clicked, this,
            [this] { BrowseFolder(m_template, QStringLiteral("吉里吉里のテンプレートフォルダ")); });
    m_template->setToolTip(QStringLiteral(
        "KAG3 のテンプレート（startup.tjs と system フォルダのあるフォルダ）です。\n"
        "ビルド先に system/config.tjs が無いとき、ここから足りないファイルをコピーします。"));
    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("吉里吉里のフォルダ："), this), 0, 0);
    fields->addWidget(m_folder, 0, 1);
    fields->addWidget(browse, 0, 2);
    fields->addWidget(browseFile, 0, 3);
    fields->addWidget(new QLabel(QStringLiteral("吉里吉里のテンプレートフォルダ："), this), 1, 0);
    fields->addWidget(m_template, 1, 1);
    fields->addWidget(browseTemplate, 1, 2);
    m_backups->setRange(0, 99);
    m_backups->setValue(backupCount);
    auto* backupRow = new QHBoxLayout;
    backupRow->addWidget(new QLabel(QStringLiteral("保存のたびに残すバックアップの数："), this));
    backupRow->addWidget(m_backups);
    backupRow->addStretch(1);
    QDialogButtonBox* buttons = sw::ui::OkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
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

QString CSystemSettingsDialog::TemplateFolder() const {
    return m_template->text();
}

void CSystemSettingsDialog::SetTemplateFolder(const QString& folder) {
    m_template->setText(folder);
}

void CSystemSettingsDialog::BrowseFolder(QLineEdit* field, const QString& title) {
    const QString chosen = sw::ui::ChooseFolder(this, title, nullptr, field->text());
    if (!chosen.isEmpty())
        field->setText(chosen);
}

void CSystemSettingsDialog::BrowseEngineFile() {
    const QString chosen =
        sw::ui::ChooseFileToOpen(this, QStringLiteral("吉里吉里の実行ファイル"),
                                 QStringLiteral("すべてのファイル (*)"), nullptr, m_folder->text());
    if (!chosen.isEmpty())
        m_folder->setText(chosen);
}
