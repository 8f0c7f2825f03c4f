#pragma once

// Find and replace over every text of the project, with its matches in a
// list; activating a match asks to show its scene and cell.

#include "document/ScenewrightDoc.h"
#include "document/TextSearch.h"

#include <QDockWidget>

#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class CFindReplaceDock : public QDockWidget {
    Q_OBJECT
public:
    explicit CFindReplaceDock(CScenewrightDoc& doc, QWidget* parent = nullptr);

    QLineEdit* FindField() const { return m_find; }
    QLineEdit* ReplaceField() const { return m_replace; }
    QCheckBox* MatchCaseBox() const { return m_matchCase; }
    QCheckBox* WholeWordBox() const { return m_wholeWord; }
    QListWidget* Results() const { return m_results; }
    QLabel* Status() const { return m_status; }

    // Shows the dock and puts the focus in the search field, its text selected.
    void ShowAndFocus();
    void Search();
    // The selected match (else the first); false when nothing was replaced.
    bool ReplaceOne();
    int ReplaceEvery();

signals:
    void placeActivated(int sceneId, int cell);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The fields in CP932; false, with a note in the status line, when a
    // field has a character Shift_JIS cannot hold.
    bool Terms(std::string& needle, std::string& replacement);
    SearchOptions Options() const;

    CScenewrightDoc& m_doc;
    QLineEdit* m_find = nullptr;
    QLineEdit* m_replace = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QCheckBox* m_wholeWord = nullptr;
    QListWidget* m_results = nullptr;
    QLabel* m_status = nullptr;
    std::vector<TextMatch> m_matches;
    std::string m_needle; // what m_matches were found for
};
