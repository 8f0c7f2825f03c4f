#include "ui/ScenewrightOutputView.h"

#include "document/LogLine.h"
#include "ui/QtText.h"

#include <QAbstractListModel>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <array>
#include <string>
#include <vector>

// The lines of one log, with those posted since the view last looked kept
// apart until the next batch.
class CLogModel : public QAbstractListModel {
public:
    struct Line {
        std::string text; // CP932
        SwLog kind;
    };

    explicit CLogModel(QObject* parent) : QAbstractListModel(parent) {}

    void Add(SwLog kind, std::string_view text) { m_pending.push_back({std::string(text), kind}); }

    // Shows the pending lines; false when there were none.
    bool Flush() {
        if (m_pending.empty())
            return false;
        int shown = 0;
        for (const Line& line : m_pending)
            shown += Shows(line) ? 1 : 0;
        const int first = rowCount();
        if (shown > 0)
            beginInsertRows(QModelIndex(), first, first + shown - 1);
        for (Line& line : m_pending) {
            ++m_counts[static_cast<std::size_t>(line.kind)];
            if (m_problemsOnly && Shows(line))
                m_shown.push_back(static_cast<int>(m_lines.size()));
            m_lines.push_back(std::move(line));
        }
        m_pending.clear();
        if (shown > 0)
            endInsertRows();
        return true;
    }

    void Clear() {
        beginResetModel();
        m_lines.clear();
        m_pending.clear();
        m_shown.clear();
        m_counts = {};
        endResetModel();
    }

    // Takes over `other`'s lines, leaving it empty.
    void TakeFrom(CLogModel& other) {
        other.Flush();
        beginResetModel();
        m_lines = std::move(other.m_lines);
        m_counts = other.m_counts;
        m_pending.clear();
        Refilter();
        endResetModel();
        other.Clear();
    }

    void SetProblemsOnly(bool only) {
        if (only == m_problemsOnly)
            return;
        beginResetModel();
        m_problemsOnly = only;
        Refilter();
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        if (parent.isValid())
            return 0;
        return static_cast<int>(m_problemsOnly ? m_shown.size() : m_lines.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount())
            return {};
        const Line& line = LineAt(index.row());
        switch (role) {
        case Qt::DisplayRole:
            return sw::ui::FromCp932(line.text);
        case Qt::ForegroundRole:
            // The frame lines of a build or a check stand out.
            if (line.kind == SwLog::Plain && line.text.starts_with("-----"))
                return QColor(0x00, 0x00, 0x90);
            return CScenewrightOutputView::ColourOf(line.kind);
        default:
            return {};
        }
    }

    const Line& LineAt(int row) const {
        const auto at = static_cast<std::size_t>(row);
        return m_lines[m_problemsOnly ? static_cast<std::size_t>(m_shown[at]) : at];
    }
    int CountOf(SwLog kind) const { return m_counts[static_cast<std::size_t>(kind)]; }
    bool HasLines() const { return !m_lines.empty() || !m_pending.empty(); }

private:
    bool Shows(const Line& line) const {
        return !m_problemsOnly || line.kind == SwLog::Error || line.kind == SwLog::Warning;
    }
    void Refilter() {
        m_shown.clear();
        if (!m_problemsOnly)
            return;
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            if (Shows(m_lines[i]))
                m_shown.push_back(static_cast<int>(i));
        }
    }

    std::vector<Line> m_lines;
    std::vector<Line> m_pending;
    std::vector<int> m_shown; // line indices shown when filtering
    std::array<int, 4> m_counts{};
    bool m_problemsOnly = false;
};

CScenewrightOutputView::CScenewrightOutputView(CScenewrightDoc& doc, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_list(new QListView(this)), m_which(new QComboBox(this)),
      m_problemsOnly(new QCheckBox(QStringLiteral("エラーと警告だけ"), this)),
      m_summary(new QLabel(this)), m_current(new CLogModel(this)), m_previous(new CLogModel(this)) {
    m_which->addItems({QStringLiteral("今回のログ"), QStringLiteral("前回のログ")});
    m_which->setToolTip(QStringLiteral("前回のログは、ひとつ前のビルドまでの記録です。"));
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(2, 2, 2, 0);
    bar->addWidget(m_which);
    bar->addWidget(m_problemsOnly);
    bar->addStretch(1);
    bar->addWidget(m_summary);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bar);
    layout->addWidget(m_list, 1);

    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QFont face(QStringLiteral("IPAGothic"));
    face.setPixelSize(12);
    m_list->setFont(face);
    m_list->setModel(m_current);
    connect(m_list, &QListView::doubleClicked, this, [this](const QModelIndex& index) {
        const auto* model = static_cast<const CLogModel*>(index.model());
        std::int32_t sceneId = 0;
        int cell = -1;
        if (PlaceOfLogLine(model->LineAt(index.row()).text, sceneId, cell))
            emit placeActivated(sceneId, cell);
    });
    connect(m_problemsOnly, &QCheckBox::toggled, this, &CScenewrightOutputView::SetProblemsOnly);
    connect(m_which, &QComboBox::currentIndexChanged, this,
            [this](int index) { ShowPreviousLog(index == 1); });
    m_doc.AddLogSink(this);
    m_doc.AddView(this);
}

CScenewrightOutputView::~CScenewrightOutputView() {
    m_doc.RemoveView(this);
    m_doc.RemoveLogSink(this);
}

QColor CScenewrightOutputView::ColourOf(SwLog kind) {
    switch (kind) {
    case SwLog::Ok:
        return QColor(0x00, 0x70, 0x20);
    case SwLog::Error:
        return QColor(0xC0, 0x00, 0x00);
    case SwLog::Warning:
        return QColor(0xA0, 0x60, 0x00);
    case SwLog::Plain:
        break;
    }
    return QColor(Qt::black);
}

void CScenewrightOutputView::OnLogLine(SwLog kind, std::string_view line) {
    m_current->Add(kind, line);
    ScheduleFlush();
}

void CScenewrightOutputView::OnDocumentUpdate(CScenewrightDoc&, const SwUpdate& update) {
    switch (update.change) {
    case SwChange::BuildStarted:
        // The lines before this build (the last build and whatever came
        // after it) become the previous log.
        m_current->Flush();
        if (m_current->HasLines())
            m_previous->TakeFrom(*m_current);
        m_summaryText.clear();
        m_summary->clear();
        break;
    case SwChange::BuildFinished:
        Flush();
        m_summaryText = QStringLiteral("コピー %1 件、警告 %2 件、エラー %3 件")
                            .arg(m_current->CountOf(SwLog::Ok))
                            .arg(m_current->CountOf(SwLog::Warning))
                            .arg(m_current->CountOf(SwLog::Error));
        m_summary->setText(m_summaryText);
        break;
    default:
        break;
    }
}

void CScenewrightOutputView::ScheduleFlush() {
    if (m_flushScheduled)
        return;
    m_flushScheduled = true;
    QTimer::singleShot(0, this, &CScenewrightOutputView::Flush);
}

void CScenewrightOutputView::Flush() {
    m_flushScheduled = false;
    // Keep following the end only when the reader is there already.
    QScrollBar* bar = m_list->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    if (m_current->Flush() && atEnd && m_list->model() == m_current)
        m_list->scrollToBottom();
}

int CScenewrightOutputView::count() const {
    const_cast<CScenewrightOutputView*>(this)->Flush();
    return m_list->model()->rowCount();
}

QString CScenewrightOutputView::LineText(int row) const {
    const auto* model = static_cast<const CLogModel*>(m_list->model());
    return row >= 0 && row < model->rowCount() ? sw::ui::FromCp932(model->LineAt(row).text)
                                               : QString();
}

void CScenewrightOutputView::SetProblemsOnly(bool only) {
    if (m_problemsOnly->isChecked() != only)
        m_problemsOnly->setChecked(only);
    Flush();
    m_current->SetProblemsOnly(only);
    m_previous->SetProblemsOnly(only);
}

void CScenewrightOutputView::ShowPreviousLog(bool previous) {
    if (m_which->currentIndex() != (previous ? 1 : 0))
        m_which->setCurrentIndex(previous ? 1 : 0);
    Flush();
    m_list->setModel(previous ? m_previous : m_current);
    m_list->scrollToBottom();
}
