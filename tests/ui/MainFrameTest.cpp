#include "ui/MainFrame.h"
#include "document/CellCommands.h"
#include "document/DocumentUpdate.h"
#include "document/PlayFromHere.h"
#include "platform/Files.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"
#include "ui/FindReplaceDock.h"
#include "ui/ListStylePageView.h"
#include "ui/QtText.h"
#include "ui/ScenewrightOutputView.h"
#include "ui/ScenewrightView.h"
#include "ui/SwObjTrayFrame.h"
#include "ui/UndoHistoryDock.h"

#include "UiFixtures.h"

#include <QAction>
#include <QDockWidget>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QSplitter>
#include <QStatusBar>
#include <QtTest>

#include <functional>

#include <filesystem>
#include <sys/stat.h>

namespace {

// The sample project copied into a temporary folder with an engine folder
// beside it, without the picture that scene 2 shows.
struct SampleCopy {
    TempFolder temp;
    std::string project;
    SampleCopy() {
        namespace fs = std::filesystem;
        const fs::path examples(SW_EXAMPLES_DIR);
        const fs::path root(temp.Path());
        fs::copy(examples / "sample", root / "sample", fs::copy_options::recursive);
        fs::remove(root / "sample/media/fairy.png");
        fs::copy(examples / "engine", root / "game", fs::copy_options::recursive);
        project = temp.File("sample/sample.swo");
    }
};

bool Closes(CMainFrame& frame) {
    frame.show();
    return frame.close();
}

} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void DividesTheClientAreaInItsProportions() {
        CScenewrightDoc doc;
        ScriptedHost host;
        CMainFrame frame(doc, host);
        frame.resize(1000, 700);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        const QSize client = frame.OuterSplitter()->size();
        const int handle = frame.OuterSplitter()->handleWidth();
        const QList<int> rows = frame.OuterSplitter()->sizes();
        QVERIFY(std::abs(rows[0] - client.height() * 5 / 6) <= handle);
        const QList<int> columns = frame.ColumnSplitter()->sizes();
        QCOMPARE(columns.size(), 3);
        QVERIFY(std::abs(columns[0] - client.width() / 5) <= 2 * handle);
        QVERIFY(std::abs(columns[1] - client.width() / 2) <= 2 * handle);
        QVERIFY(std::abs(columns[2] - client.width() * 3 / 10) <= 2 * handle);
        const QList<int> left = frame.LeftSplitter()->sizes();
        QVERIFY(std::abs(left[0] - left[1]) <= handle);
        QCOMPARE(frame.windowTitle(), QStringLiteral("無題 - Scenewright"));
    }

    // Every key of the menus does one thing; the keys authors reach for
    // first do what they expect.
    void MenuKeysAreUniqueAndDoWhatTheySay() {
        CScenewrightDoc doc;
        ScriptedHost host;
        CMainFrame frame(doc, host);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QMap<QString, QString> owners;
        std::function<void(QMenu*)> walk = [&](QMenu* menu) {
            for (QAction* action : menu->actions()) {
                if (action->menu()) {
                    walk(action->menu());
                    continue;
                }
                for (const QKeySequence& keys : action->shortcuts()) {
                    const QString key = keys.toString();
                    QVERIFY2(!owners.contains(key) || owners[key] == action->text(),
                             qPrintable(key + ": " + owners.value(key) + " / " + action->text()));
                    owners[key] = action->text();
                }
            }
        };
        for (QAction* top : frame.menuBar()->actions())
            walk(top->menu());
        QCOMPARE(owners.value(QKeySequence(Qt::CTRL | Qt::Key_Q).toString()),
                 QStringLiteral("アプリケーションの終了(&X)"));
        QVERIFY(owners.contains(QKeySequence(Qt::Key_Delete).toString()));

        // Ctrl+H always lands in the search field; Esc closes the dock.
        CFindReplaceDock& find = *frame.FindDock();
        QTest::keyClick(&frame, Qt::Key_H, Qt::ControlModifier);
        QVERIFY(find.isVisible());
        QTRY_VERIFY(find.FindField()->hasFocus());
        QTest::keyClick(&frame, Qt::Key_H, Qt::ControlModifier);
        QVERIFY(find.isVisible());
        QTest::keyClick(find.FindField(), Qt::Key_Escape);
        QVERIFY(!find.isVisible());

        // The tray is a dock that the view menu shows and hides.
        QVERIFY(frame.TrayDock()->isVisible());
        frame.TrayDock()->toggleViewAction()->trigger();
        QVERIFY(!frame.TrayDock()->isVisible());
        frame.ShowTray();
        QVERIFY(frame.TrayDock()->isVisible());
        QCOMPARE(frame.Tray()->TypeCount(), 27);
    }

    void CloseAsksTheSaveQuestion() {
        TempFolder temp;
        CScenewrightDoc doc;
        ScriptedHost host;
        CMainFrame frame(doc, host);
        QVERIFY(Closes(frame)); // nothing to lose: no question
        QCOMPARE(host.questions, 0);

        Add(doc, nullptr);
        QVERIFY(frame.SaveAction()->isEnabled());
        QCOMPARE(frame.windowTitle(), QStringLiteral("*無題 - Scenewright"));
        host.answer = IDocumentHost::Answer::Cancel;
        QVERIFY(!Closes(frame));
        host.answer = IDocumentHost::Answer::Yes; // the save dialog is cancelled
        QVERIFY(!Closes(frame));
        QCOMPARE(host.saveDialogs, 1);
        host.savePath = temp.File("saved.swo");
        QVERIFY(Closes(frame));
        QCOMPARE(host.questions, 3);
        QVERIFY(sw::files::FileExists(host.savePath));
        QVERIFY(!doc.IsModified());
        QCOMPARE(frame.windowTitle(), QStringLiteral("saved.swo - Scenewright"));

        // A file that cannot be written keeps the window and says so.
        Add(doc, nullptr);
        host.savePath.clear();
        doc.SetPathName(temp.File("no/such/folder/x.swo"));
        QVERIFY(!Closes(frame));
        QCOMPARE(host.errors.size(), std::size_t{1});
        host.answer = IDocumentHost::Answer::No;
        QVERIFY(Closes(frame));
    }

    void ImportsAKagGameAsANewUnsavedProject() {
        CScenewrightDoc doc;
        ScriptedHost host;
        CMainFrame frame(doc, host);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QCOMPARE(frame.ImportKagAction()->text(), QStringLiteral("KAGゲームの取り込み(&K)..."));
        QVERIFY(!frame.ImportKagGame(QStringLiteral(SW_TEST_DATA_DIR "/kag/none")));
        QCOMPARE(host.errors.size(), std::size_t{1});
        QCOMPARE(doc.GetSceneCount(), 0);

        // The game is copied beside the original, which stays as it was.
        TempFolder temp;
        std::filesystem::copy(SW_TEST_DATA_DIR "/kag/game", temp.File("game"),
                              std::filesystem::copy_options::recursive);
        QVERIFY(frame.ImportKagGame(QString::fromStdString(temp.File("game"))));
        QCOMPARE(doc.GetSceneCount(), 9);
        QVERIFY(doc.IsModified());
        QVERIFY(doc.GetCurrentScene() != nullptr);
        QCOMPARE(host.errors.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(doc.GetSettings().root),
                 QString::fromStdString(temp.File("game-scenewright")));
        QVERIFY(std::filesystem::exists(temp.File("game-scenewright/bgimage/bg01.png")));
    }

    void BuildsFromTheWindowAndShowsWhereItStopped() {
        SampleCopy sample;
        CScenewrightDoc doc;
        doc.SetSettingsFilePath(sample.temp.File("Scenewright.ini"));
        ScriptedHost host;
        CMainFrame frame(doc, host);
        frame.resize(900, 600);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QVERIFY(frame.OpenPath(sw::ui::FromCp932(sample.project)));
        QCOMPARE(frame.windowTitle(), QStringLiteral("sample.swo - Scenewright"));
        QVERIFY(!frame.RunAction()->isEnabled());
        doc.GetSettings().root = sample.temp.File("game");
        doc.Notify({SwChange::Settings});
        QVERIFY(frame.BuildAction()->isEnabled());

        doc.SelectScene(doc.FindScene(5));
        QVERIFY(!frame.Build());
        QCOMPARE(doc.GetBuildStatus(), SwBuildStatus::MediaCopyFailed);
        QCOMPARE(doc.GetCurrentScene(), doc.FindScene(2));
        const CSwScene* stopped = doc.FindScene(2);
        QVERIFY(
            frame.Chart()->VisibleChartRect().contains(QPoint(stopped->x + 32, stopped->y + 12)));
        const CScenewrightOutputView& log = *frame.Output();
        QStringList lines;
        for (int i = 0; i < log.count(); ++i)
            lines << log.LineText(i);
        const qsizetype start = lines.indexOf(QStringLiteral("-----ビルド開始-----"));
        QCOMPARE(start, 0); // each build starts a fresh log
        QCOMPARE(lines.back(), QStringLiteral("-----ビルド終了-----"));
        QVERIFY(lines[lines.size() - 2].startsWith(QStringLiteral("error: シーン番号2: ")));
        QVERIFY(!frame.IsBuilding());

        // With the picture back the build runs through, and the engine may run.
        std::filesystem::copy_file(std::filesystem::path(SW_EXAMPLES_DIR) /
                                       "sample/media/fairy.png",
                                   sample.temp.File("sample/media/fairy.png"));
        doc.SetEnginePath(sample.temp.File("engine"));
        QVERIFY(frame.Build());
        QCOMPARE(doc.GetBuildStatus(), SwBuildStatus::Built);
        QVERIFY(sw::files::FileExists(sample.temp.File("game/scenario/first.ks")));
        QCOMPARE(log.LineText(log.count() - 1), QStringLiteral("-----ビルド終了-----"));
        QVERIFY(frame.RunAction()->isEnabled());
    }

    void ReleasesOnTheFileThreadAfterABuild() {
        SampleCopy sample;
        CScenewrightDoc doc;
        doc.SetSettingsFilePath(sample.temp.File("Scenewright.ini"));
        ScriptedHost host;
        CMainFrame frame(doc, host);
        QVERIFY(frame.OpenPath(sw::ui::FromCp932(sample.project)));
        doc.GetSettings().root = sample.temp.File("game");
        doc.Notify({SwChange::Settings});
        QVERIFY(frame.ReleaseAction()->isEnabled());
        // The build fails for the missing picture: nothing is packed.
        QVERIFY(!frame.ReleaseInto(sw::ui::FromCp932(sample.temp.File("failed"))));
        QVERIFY(!frame.IsReleasing());
        QVERIFY(!std::filesystem::exists(sample.temp.File("failed/data.xp3")));

        std::filesystem::copy_file(std::filesystem::path(SW_EXAMPLES_DIR) /
                                       "sample/media/fairy.png",
                                   sample.temp.File("sample/media/fairy.png"));
        QVERIFY(frame.ReleaseInto(sw::ui::FromCp932(sample.temp.File("release"))));
        QVERIFY(frame.IsReleasing());
        QVERIFY(!frame.BuildAction()->isEnabled() && !frame.ReleaseAction()->isEnabled());
        QTRY_VERIFY(!frame.IsReleasing());
        QVERIFY(sw::files::FileExists(sample.temp.File("release/data.xp3")));
        QVERIFY(frame.statusBar()->currentMessage().startsWith(QStringLiteral("リリース: ")));
        QVERIFY(frame.ReleaseAction()->isEnabled());
        const CScenewrightOutputView& log = *frame.Output();
        QCOMPARE(log.LineText(log.count() - 1), QStringLiteral("-----リリース終了-----"));
    }

    // The sample's own game folder has no engine files yet: the first
    // build offers to set it up and then succeeds.
    void FirstBuildSetsUpAnEmptyGameFolder() {
        TempFolder temp;
        std::filesystem::copy(std::filesystem::path(SW_EXAMPLES_DIR) / "sample",
                              temp.File("sample"), std::filesystem::copy_options::recursive);
        CScenewrightDoc doc;
        doc.SetSettingsFilePath(temp.File("Scenewright.ini"));
        ScriptedHost host;
        host.yesNoAnswer = IDocumentHost::Answer::Yes;
        CMainFrame frame(doc, host);
        QVERIFY(frame.OpenPath(sw::ui::FromCp932(temp.File("sample/sample.swo"))));
        QVERIFY(frame.Build());
        QCOMPARE(doc.GetBuildStatus(), SwBuildStatus::Built);
        QCOMPARE(host.asked.size(), std::size_t(1));
        QVERIFY(sw::files::FileExists(temp.File("sample/game/system/config.tjs")));
        QVERIFY(sw::files::FileExists(temp.File("sample/game/scenario/first.ks")));
        QVERIFY(frame.Build()); // set up now: no second question
        QCOMPARE(host.asked.size(), std::size_t(1));
    }

    // このセルから実行 writes the preview game below the cache folder and
    // starts the engine on it; the project's game folder is left alone.
    void PlaysFromTheChosenCellInAFolderOfItsOwn() {
        SampleCopy sample;
        std::filesystem::copy_file(std::filesystem::path(SW_EXAMPLES_DIR) /
                                       "sample/media/fairy.png",
                                   sample.temp.File("sample/media/fairy.png"));
        const QByteArray savedCache = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", sample.temp.File("cache").c_str());
        const std::string engine = sample.temp.Write(
            "engine/krkr", "#!/bin/sh\n{ for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > "
                           "\"$(dirname \"$0\")/ran.tmp\"\n"
                           "mv \"$(dirname \"$0\")/ran.tmp\" \"$(dirname \"$0\")/ran.txt\"\n");
        ::chmod(engine.c_str(), 0755);
        CScenewrightDoc doc;
        doc.SetSettingsFilePath(sample.temp.File("Scenewright.ini"));
        ScriptedHost host;
        CMainFrame frame(doc, host);
        frame.resize(900, 600);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QVERIFY(frame.OpenPath(sw::ui::FromCp932(sample.project)));
        doc.GetSettings().root = sample.temp.File("game");
        doc.SetEnginePath(engine);
        const std::string gameConfig = ReadFileOrEmpty(sample.temp.File("game/system/config.tjs"));

        // Both are offered where the scene and the cell are looked at.
        QCOMPARE(frame.Chart()->PopupMenu()->actions().value(0), frame.PlaySceneAction());
        QCOMPARE(frame.Cells()->ContextMenu()->actions().value(0), frame.PlayCellAction());
        doc.SelectScene(doc.FindScene(10)); // a procedure: no way leads there
        frame.UpdateCommandStates();
        QVERIFY(!frame.PlaySceneAction()->isEnabled());
        doc.SelectScene(doc.FindScene(2));
        frame.Cells()->SelectCells(8, 1);
        frame.UpdateCommandStates();
        QVERIFY(frame.PlaySceneAction()->isEnabled() && frame.PlayCellAction()->isEnabled());
        const QByteArray shots = qgetenv("SW_SCREENSHOT_DIR");
        if (!shots.isEmpty()) {
            // The window with the cell list's menu open over the chosen row.
            frame.resize(1280, 720);
            QTest::qWait(50);
            QImage shot = frame.grab().toImage();
            QMenu* menu = frame.Cells()->ContextMenu();
            menu->adjustSize();
            QPainter painter(&shot);
            painter.drawPixmap(frame.Cells()->mapTo(&frame, QPoint(120, 205)), menu->grab());
            painter.end();
            QVERIFY(shot.save(QString::fromLocal8Bit(shots) + "/play-from-here.png", "PNG"));
        }
        frame.PlayCellAction()->trigger();

        const std::string folder = DefaultPreviewFolder(doc);
        QVERIFY(folder.starts_with(sample.temp.File("cache/Scenewright/preview/sample-")));
        std::string record;
        for (int tries = 0; tries < 500 && record.empty(); ++tries) {
            record = ReadFileOrEmpty(sample.temp.File("engine/ran.txt"));
            QTest::qWait(10);
        }
        QCOMPARE(QString::fromStdString(record),
                 QString::fromStdString("-readencoding=Shift_JIS\n" + folder + "\n"));
        QVERIFY(ReadFileOrEmpty(folder + "/scenario/first.ks").find("*__PREVIEW_START__\r\n") !=
                std::string::npos);
        QVERIFY(host.errors.empty());
        QVERIFY(!std::filesystem::exists(sample.temp.File("game/scenario")));
        QCOMPARE(ReadFileOrEmpty(sample.temp.File("game/system/config.tjs")), gameConfig);
        if (savedCache.isNull())
            qunsetenv("XDG_CACHE_HOME");
        else
            qputenv("XDG_CACHE_HOME", savedCache);
    }

    void UndoesAndRedoesThroughTheMenuTheShortcutsAndTheHistory() {
        SampleCopy sample;
        CScenewrightDoc doc;
        doc.SetSettingsFilePath(sample.temp.File("Scenewright.ini"));
        ScriptedHost host;
        CMainFrame frame(doc, host);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QVERIFY(frame.OpenPath(sw::ui::FromCp932(sample.project)));
        const int scenes = doc.GetSceneCount();
        QAction* undo = frame.History()->UndoAction();
        QAction* redo = frame.History()->RedoAction();
        QVERIFY(!undo->isEnabled());

        doc.SelectScene(doc.FindScene(5));
        frame.Chart()->DeleteAction()->trigger();
        QCOMPARE(doc.GetSceneCount(), scenes - 1);
        QVERIFY(undo->isEnabled());
        QCOMPARE(undo->text(), QStringLiteral("元に戻す(&U): シーンの削除"));
        QVERIFY(frame.windowTitle().startsWith(QStringLiteral("*")));

        QTest::keyClick(&frame, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(doc.GetSceneCount(), scenes);
        QVERIFY(doc.FindScene(5));
        QCOMPARE(frame.windowTitle(), QStringLiteral("sample.swo - Scenewright"));
        QVERIFY(redo->isEnabled());
        QTest::keyClick(&frame, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(doc.GetSceneCount(), scenes - 1);

        // Undoing a cell edit in another scene shows that scene and selects
        // the cell in the list.
        CSwScene* forest = doc.FindScene(2);
        sw::cells::DeleteCells(doc, *forest, {3});
        doc.SelectScene(doc.FindScene(1));
        QTest::keyClick(&frame, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(doc.GetCurrentScene(), forest);
        QCOMPARE(frame.Cells()->SelectedCells(), std::vector<int>{3});
        QTest::keyClick(&frame, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(frame.Cells()->rowCount(), forest->GetCellCount());
        QTest::keyClick(&frame, Qt::Key_Z, Qt::ControlModifier);

        // A build keeps the unsaved change in the recovery copy; a close
        // that gives the change up removes it.
        const std::string recovery = CScenewrightDoc::RecoveryFilePath(sample.project);
        doc.GetSettings().root = sample.temp.File("game");
        frame.Build();
        frame.WaitForFileJobs(); // the copy is written on the file thread
        QVERIFY(sw::files::FileExists(recovery));

        QListWidget* list = frame.History()->List();
        QCOMPARE(list->count(), 3);
        list->setCurrentRow(0);
        QTRY_COMPARE(doc.GetSceneCount(), scenes);
        host.answer = IDocumentHost::Answer::No;
        QVERIFY(frame.close());
        QVERIFY(!sw::files::FileExists(recovery));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    MainFrameTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "MainFrameTest.moc"
