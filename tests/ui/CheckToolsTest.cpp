#include "support/SceneCells.h"
#include "support/ScriptedHost.h"
#include "ui/FindReplaceDock.h"
#include "ui/ListStylePageView.h"
#include "ui/MainFrame.h"
#include "ui/QtText.h"
#include "ui/ScenePreviewDock.h"
#include "ui/ScenewrightOutputView.h"

#include "UiFixtures.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QtTest>

namespace {

// Scene 1 leads to scene 2, whose second cell holds an unclosed formula.
struct TwoScenes {
    CScenewrightDoc doc;
    ScriptedHost host;
    CMainFrame frame{doc, host};
    CSwScene* first = Add(doc, nullptr);
    CSwScene* second = Add(doc, first);
    TwoScenes() {
        AddTextCell(*first, SwType::Message, "message", Cp932("森へ行く。"));
        AddTextCell(*second, SwType::Message, "message", Cp932("森は静かだった。静かな夜。"));
        AddTextCell(*second, SwType::Eval, "formula", Cp932("f.a = (1"));
        second->title = Cp932("静かな森");
        frame.resize(1000, 700);
        frame.show();
    }
    QStringList LogLines() const {
        QStringList lines;
        for (int i = 0; i < frame.Output()->count(); ++i)
            lines << frame.Output()->LineText(i);
        return lines;
    }
};

// Pictures for the README when SW_SCREENSHOT_DIR names a folder.
void Screenshot(QWidget& widget, const char* name) {
    const QByteArray folder = qgetenv("SW_SCREENSHOT_DIR");
    if (!folder.isEmpty())
        QVERIFY(widget.grab().save(QString::fromLocal8Bit(folder) + "/" + name, "PNG"));
}

} // namespace

class CheckToolsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void CheckListsFindingsAndADoubleClickShowsTheCell() {
        TwoScenes p;
        QVERIFY(QTest::qWaitForWindowExposed(&p.frame));
        p.doc.SelectScene(p.first);
        p.frame.CheckAction()->trigger();
        const QStringList lines = p.LogLines();
        const qsizetype start = lines.indexOf(QStringLiteral("-----プロジェクトチェック-----"));
        QVERIFY(start >= 0);
        QCOMPARE(
            lines.mid(start + 1),
            (QStringList{QStringLiteral(
                             "error: シーン番号2 セル1: 式の最後: 「(」を閉じる「)」がありません。"
                             "「)」を書いてください。"),
                         QStringLiteral("-----チェック終了: 1 件-----")}));

        QListView& log = *p.frame.Output()->List();
        const QModelIndex finding = log.model()->index(static_cast<int>(start) + 1, 0);
        log.scrollTo(finding);
        const QPoint at = log.visualRect(finding).center();
        // A double click is a press, a release, then the double click.
        QTest::mouseClick(log.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(log.viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(p.doc.GetCurrentScene(), p.second);
        QCOMPARE(p.frame.Cells()->SelectedCells(), std::vector<int>{1});
        // A line about no scene leaves the selection as it is.
        const QPoint other =
            log.visualRect(log.model()->index(static_cast<int>(start), 0)).center();
        QTest::mouseClick(log.viewport(), Qt::LeftButton, {}, other);
        QTest::mouseDClick(log.viewport(), Qt::LeftButton, {}, other);
        QCOMPARE(p.doc.GetCurrentScene(), p.second);
        Screenshot(p.frame, "check-results.png");
    }

    void FindsSelectsAndReplacesAcrossTheProject() {
        TwoScenes p;
        CFindReplaceDock& find = *p.frame.FindDock();
        find.show();
        find.FindField()->setText(QStringLiteral("静か"));
        find.Search();
        QCOMPARE(find.Results()->count(), 3);
        QCOMPARE(find.Results()->item(1)->text(),
                 QStringLiteral("シーン番号2 セル0 message: 森は静かだった。静かな夜。"));
        emit find.Results()->itemActivated(find.Results()->item(2));
        QCOMPARE(p.doc.GetCurrentScene(), p.second);
        QCOMPARE(p.frame.Cells()->SelectedCells(), std::vector<int>{0});

        p.doc.SetModifiedFlag(false);
        find.ReplaceField()->setText(QStringLiteral("賑やか"));
        find.Results()->setCurrentRow(2);
        QVERIFY(find.ReplaceOne());
        const CSwCommand& message = static_cast<const CSwCommand&>(*p.second->GetCellAt(0));
        QCOMPARE(sw::ui::FromCp932(message.Text(message.SlotOf("message"))),
                 QStringLiteral("森は静かだった。賑やかな夜。"));
        QVERIFY(p.doc.IsModified());
        QCOMPARE(find.ReplaceEvery(), 2);
        QCOMPARE(sw::ui::FromCp932(p.second->title), QStringLiteral("賑やかな森"));
        QCOMPARE(find.Results()->count(), 0);
    }

    void PreviewFollowsTheCurrentScene() {
        TwoScenes p;
        CScenePreviewDock& preview = *p.frame.PreviewDock();
        preview.show();
        p.doc.SelectScene(p.first);
        QCOMPARE(preview.Text()->toPlainText(), QStringLiteral(R"(;
*__LABEL_1__|
;
[history output=true]
[cm]
森へ行く。[p]
[jump target="*__LABEL_2__"]
[s]
)"));
        p.doc.SelectScene(nullptr);
        QCOMPARE(preview.Text()->toPlainText(), QString());
    }

    void PreviewOfTheSample() {
        CScenewrightDoc doc;
        ScriptedHost host;
        CMainFrame frame(doc, host);
        QVERIFY(frame.OpenPath(QStringLiteral(SW_EXAMPLES_DIR "/sample/sample.swo")));
        frame.resize(1200, 700);
        frame.show();
        frame.PreviewDock()->show();
        frame.PreviewDock()->raise();
        frame.resizeDocks({frame.PreviewDock()}, {440}, Qt::Horizontal);
        doc.SelectScene(doc.FindScene(3));
        const QString text = frame.PreviewDock()->Text()->toPlainText();
        QVERIFY(text.contains(QStringLiteral("storage=\"town.png\" page=fore]\n")));
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        Screenshot(frame, "script-preview.png");
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    CheckToolsTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "CheckToolsTest.moc"
