#pragma once

// The build log. Lines arrive by the ten thousand during a build, so they
// are kept as the document's CP932 text and shown through a model: a line
// becomes Qt text only when it is drawn, and the view takes new lines in
// batches, scrolling once per batch. Each build starts a fresh log; the
// one before stays under 前回のログ. A double click on a line about a scene
// (and cell) asks to show that place.

#include "document/ScenewrightDoc.h"

#include <QColor>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QListView;
class CLogModel;

class CScenewrightOutputView : public QWidget, public ILogSink, public IScenewrightView {
    Q_OBJECT
public:
    explicit CScenewrightOutputView(CScenewrightDoc& doc, QWidget* parent = nullptr);
    ~CScenewrightOutputView() override;

    void OnLogLine(SwLog kind, std::string_view line) override;
    void OnDocumentUpdate(CScenewrightDoc& doc, const SwUpdate& update) override;

    // The lines shown now (after the filter), oldest first.
    int count() const;
    QString LineText(int row) const;
    QListView* List() const { return m_list; }
    // Shows only errors and warnings.
    void SetProblemsOnly(bool only);
    // Shows the log of the build before the last one.
    void ShowPreviousLog(bool previous);
    // "コピー N 件、警告 N 件、エラー N 件" of the last build; "" before one.
    QString Summary() const { return m_summaryText; }
    // Takes the lines posted since the last batch; the view does so itself
    // as soon as the event loop runs.
    void Flush();

    static QColor ColourOf(SwLog kind);

signals:
    void placeActivated(int sceneId, int cell);

private:
    void ScheduleFlush();
    void ShowModel();

    CScenewrightDoc& m_doc;
    QListView* m_list;
    QComboBox* m_which;
    QCheckBox* m_problemsOnly;
    QLabel* m_summary;
    CLogModel* m_current;
    CLogModel* m_previous;
    bool m_flushScheduled = false;
    QString m_summaryText;
};
