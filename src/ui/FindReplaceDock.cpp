#include "ui/FindReplaceDock.h"

#include "ui/QtText.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

CFindReplaceDock::CFindReplaceDock(CScenewrightDoc& doc, QWidget* parent)
    : QDockWidget(QStringLiteral("検索と置換"), parent), m_doc(doc) {
    setObjectName(QStringLiteral("FindReplaceDock"));
    auto* body = new QWidget(this);
    auto* fields = new QGridLayout;
    m_find = new QLineEdit(body);
    m_replace = new QLineEdit(body);
    fields->addWidget(new QLabel(QStringLiteral("検索:"), body), 0, 0);
    fields->addWidget(m_find, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("置換:"), body), 1, 0);
    fields->addWidget(m_replace, 1, 1);
    m_matchCase = new QCheckBox(QStringLiteral("大文字と小文字を区別"), body);
    m_wholeWord = new QCheckBox(QStringLiteral("単語単位"), body);
    auto* searchButton = new QPushButton(QStringLiteral("検索"), body);
    auto* replaceButton = new QPushButton(QStringLiteral("置換"), body);
    auto* allButton = new QPushButton(QStringLiteral("すべて置換"), body);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_matchCase);
    buttons->addWidget(m_wholeWord);
    buttons->addStretch();
    buttons->addWidget(searchButton);
    buttons->addWidget(replaceButton);
    buttons->addWidget(allButton);
    m_results = new QListWidget(body);
    m_status = new QLabel(body);
    auto* column = new QVBoxLayout(body);
    column->addLayout(fields);
    column->addLayout(buttons);
    column->addWidget(m_results);
    column->addWidget(m_status);
    setWidget(body);

    connect(m_find, &QLineEdit::returnPressed, this, &CFindReplaceDock::Search);
    connect(searchButton, &QPushButton::clicked, this, &CFindReplaceDock::Search);
    connect(replaceButton, &QPushButton::clicked, this, &CFindReplaceDock::ReplaceOne);
    connect(allButton, &QPushButton::clicked, this, &CFindReplaceDock::ReplaceEvery);
    connect(m_results, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const std::size_t index = static_cast<std::size_t>(m_results->row(item));
        if (index < m_matches.size())
            emit placeActivated(m_matches[index].sceneId, m_matches[index].cell);
    });
}

void CFindReplaceDock::ShowAndFocus() {
    show();
    raise();
    m_find->setFocus(Qt::ShortcutFocusReason);
    m_find->selectAll();
}

void CFindReplaceDock::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QDockWidget::keyPressEvent(event);
}

SearchOptions CFindReplaceDock::Options() const {
    return SearchOptions{m_matchCase->isChecked(), m_wholeWord->isChecked()};
}

bool CFindReplaceDock::Terms(std::string& needle, std::string& replacement) {
    if (sw::ui::ToCp932(m_find->text(), needle) && sw::ui::ToCp932(m_replace->text(), replacement))
        return true;
    m_status->setText(QStringLiteral("Shift_JIS で表せない文字があります。"));
    return false;
}

void CFindReplaceDock::Search() {
    std::string needle, replacement;
    m_results->clear();
    m_matches.clear();
    if (!Terms(needle, replacement))
        return;
    m_needle = needle;
    m_matches = FindText(m_doc, needle, Options());
    for (const TextMatch& match : m_matches) {
        QString place = QStringLiteral("シーン番号%1").arg(match.sceneId);
        if (match.cell >= 0)
            place += QStringLiteral(" セル%1").arg(match.cell);
        m_results->addItem(place + QStringLiteral(" %1: ").arg(QString::fromLatin1(match.field)) +
                           sw::ui::FromCp932(match.line));
    }
    m_status->setText(QStringLiteral("%1 件見つかりました。").arg(m_matches.size()));
}

bool CFindReplaceDock::ReplaceOne() {
    std::string needle, replacement;
    if (!Terms(needle, replacement))
        return false;
    // Matches of another search term would replace what was not asked for.
    if (needle != m_needle || m_matches.empty())
        Search();
    if (m_matches.empty())
        return false;
    const int row = m_results->currentRow();
    const TextMatch match = m_matches[row >= 0 ? static_cast<std::size_t>(row) : 0];
    const bool replaced = ReplaceMatch(m_doc, match, needle, replacement, Options());
    Search();
    if (!replaced)
        m_status->setText(QStringLiteral("その箇所はもう変わっています。検索し直しました。"));
    // The next match after the replaced one, for replacing step by step.
    m_results->setCurrentRow(std::min(std::max(row, 0), m_results->count() - 1));
    return replaced;
}

int CFindReplaceDock::ReplaceEvery() {
    std::string needle, replacement;
    if (!Terms(needle, replacement))
        return 0;
    const int count = ReplaceAll(m_doc, needle, replacement, Options());
    Search();
    m_status->setText(QStringLiteral("%1 件置換しました。").arg(count));
    return count;
}
