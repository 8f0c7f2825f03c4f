#include "document/DocumentUpdate.h"
#include "support/CollectingView.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"
#include "ui/QtText.h"
#include "ui/ScenewrightOutputView.h"
#include "ui/ScenewrightPrjTreeView.h"
#include "ui/ScenewrightPropertyView.h"
#include "ui/ScenewrightView.h"

#include "UiFixtures.h"

#include <QAction>
#include <QListView>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

#include <cstdlib>
#include <set>

namespace {

QStringList Labels(const QTableWidget& table) {
    QStringList labels;
    for (int row = 0; row < table.rowCount(); ++row)
        labels << table.item(row, 0)->text();
    return labels;
}

QTableWidgetItem* ValueOf(const QTableWidget& table, const QString& label) {
    for (int row = 0; row < table.rowCount(); ++row) {
        if (table.item(row, 0)->text() == label)
            return table.item(row, 1);
    }
    return nullptr;
}

} // namespace

class ViewsTest : public QObject {
    Q_OBJECT
private slots:
    void ChartLaysOutOnHintsAndLoadsIconsFromTheFolder() {
        CScenewrightDoc doc;
        CScenewrightView chart(doc);
        CSwScene* root = Add(doc, nullptr);
        QCOMPARE(QPoint(root->x, root->y), QPoint(160, 86));

        // Built-in pictures, then a folder whose first picture is bigger and
        // whose second one is broken.
        chart.LoadIcons("");
        QCOMPARE(chart.Icons().BoxSize(), QSize(64, 24));
        QVERIFY(!chart.Icons().IsFromFolder(0));
        TempFolder folder;
        QImage big(80, 30, QImage::Format_RGB32);
        big.fill(Qt::red);
        QVERIFY(big.save(sw::ui::FromCp932(folder.File("link_s.bmp")), "BMP"));
        folder.Write("link.bmp", "BM broken");
        chart.LoadIcons(folder.Path() + "/");
        QVERIFY(chart.Icons().IsFromFolder(0));
        QVERIFY(!chart.Icons().IsFromFolder(1));
        QVERIFY(!chart.Icons().ImageFor(SwType::SceneChoice, false).isNull());
        QCOMPARE(chart.Icons().ImageFor(SwType::SceneChoice, true).pixel(5, 5), qRgb(255, 0, 0));
        QCOMPARE(chart.Layout().BoxHeight(), 30);
        QCOMPARE(QPoint(root->x, root->y), QPoint(160, 92));

        // Cut loose and deleted scenes move the others at once.
        CSwScene* child = Add(doc, root);
        QCOMPARE(child->y, 184);
        doc.CutLink(child);
        QCOMPARE(QPoint(child->x, child->y), QPoint(160 + 112 + 20 + 80, 92));
        doc.DeleteScene(root);
        QCOMPARE(QPoint(child->x, child->y), QPoint(160, 92));
    }

    void ChartSelectsCommandsAndKeys() {
        CScenewrightDoc doc;
        CollectingLog log;
        doc.AddLogSink(&log);
        CScenewrightView chart(doc);
        chart.resize(400, 300);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        QVERIFY(chart.InsertAction(CScenewrightDoc::kNewTopLevel)->isEnabled());
        QVERIFY(!chart.InsertAction(CScenewrightDoc::kChoiceAsParent)->isEnabled());
        QVERIFY(!chart.DeleteAction()->isEnabled());

        chart.InsertAction(CScenewrightDoc::kNewTopLevel)->trigger();
        QCOMPARE(doc.GetSceneCount(), 1);
        CSwScene* root = doc.GetSceneAt(0);
        const QPoint onRoot =
            QPoint(root->x + 10, root->y + 10) - chart.VisibleChartRect().topLeft();
        QTest::mouseClick(chart.viewport(), Qt::LeftButton, {}, onRoot);
        QCOMPARE(doc.GetCurrentScene(), root);

        // The author goes on with a scene just added: it is chosen.
        QSignalSpy added(&chart, &CScenewrightView::sceneAdded);
        chart.InsertAction(CScenewrightDoc::kLinkAsChild)->trigger();
        CSwScene* link = doc.GetSceneAt(1);
        QCOMPARE(link->parent, root);
        QCOMPARE(doc.GetCurrentScene(), link);
        QCOMPARE(added.count(), 1);
        QTest::keyClick(&chart, Qt::Key_Up);
        QCOMPARE(doc.GetCurrentScene(), root);
        QTest::keyClick(&chart, Qt::Key_Down);
        QCOMPARE(doc.GetCurrentScene(), link);
        QVERIFY(!chart.InsertAction(CScenewrightDoc::kChoiceAsChild)->isEnabled());
        QVERIFY(chart.InsertAction(CScenewrightDoc::kBranchAsParent)->isEnabled());
        QVERIFY(chart.CutLinkAction()->isEnabled());
        QTest::keyClick(&chart, Qt::Key_Up);
        QCOMPARE(doc.GetCurrentScene(), root);
        QVERIFY(chart.InsertAction(CScenewrightDoc::kChoiceAsChild)->isEnabled());

        QTest::mouseClick(chart.viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(doc.GetCurrentScene(), nullptr);
        // Choosing scenes is no news for the build log.
        QVERIFY(log.lines.empty());

        doc.SelectScene(link);
        QTest::keyClick(&chart, Qt::Key_Delete);
        QCOMPARE(doc.GetSceneCount(), 1);
        QCOMPARE(doc.GetCurrentScene(), root);
        chart.SetCommandsBlocked(true);
        QVERIFY(!chart.InsertAction(CScenewrightDoc::kNewTopLevel)->isEnabled());
        QTest::keyClick(&chart, Qt::Key_Delete);
        QCOMPARE(doc.GetSceneCount(), 1);
        doc.RemoveLogSink(&log);
    }

    void ChartFindsZoomsAndCentresTheSceneABuildStoppedAt() {
        CScenewrightDoc doc;
        CScenewrightView chart(doc);
        chart.resize(300, 200);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        std::vector<CSwScene*> roots;
        for (int i = 0; i < 12; ++i)
            roots.push_back(Add(doc, nullptr));
        roots[9]->title = Cp932("森の奥");
        roots[4]->comment = Cp932("森の入口");

        QVERIFY(chart.FindAndSelect(QStringLiteral("森")));
        QCOMPARE(doc.GetCurrentScene(), roots[4]);
        QVERIFY(chart.FindAndSelect(QStringLiteral("森")));
        QCOMPARE(doc.GetCurrentScene(), roots[9]);
        QVERIFY(chart.VisibleChartRect().contains(QPoint(roots[9]->x + 32, roots[9]->y + 12)));
        QVERIFY(chart.FindAndSelect(QStringLiteral(" 3 ")));
        QCOMPARE(doc.GetCurrentScene(), roots[2]);
        QVERIFY(!chart.FindAndSelect(QStringLiteral("99")));
        QVERIFY(!chart.FindAndSelect(QStringLiteral("海")));

        // A build that stopped at the last scene: selected and centred.
        doc.SetBuildStatus(SwBuildStatus::MediaCopyFailed);
        doc.SetBuildingScene(roots[11]);
        doc.Notify({SwChange::BuildFinished});
        QCOMPARE(doc.GetCurrentScene(), roots[11]);
        QVERIFY(std::abs(chart.VisibleChartRect().center().x() - (roots[11]->x + 32)) <= 1);
        // One nearer the top-left corner than half the view is shown without
        // scrolling past the corner.
        chart.resize(500, 300);
        doc.SetBuildingScene(roots[0]);
        doc.Notify({SwChange::BuildFinished});
        QCOMPARE(chart.VisibleChartRect().topLeft(), QPoint(0, 0));

        chart.SetZoom(0.5, QPoint(0, 0));
        QCOMPARE(chart.ChartPointAt(QPoint(100, 50)), QPoint(200, 100));
        chart.ZoomToFit();
        QVERIFY(chart.VisibleChartRect().contains(QPoint(roots[11]->x + 64, roots[11]->y + 24)));
        QVERIFY(chart.Zoom() < 0.5);
    }

    void PropertyRowsAndEdits() {
        CScenewrightDoc doc;
        ScriptedHost host;
        CScenewrightPropertyView view(doc, &host);
        UpdateRecorder updates;
        doc.AddView(&updates);
        QCOMPARE(view.rowCount(), 0);

        CSwScene* map = Add(doc, nullptr);
        map->type = SwType::SceneImageMap;
        CSwScene* a = Add(doc, map);
        CSwScene* b = Add(doc, map, CScenewrightDoc::kLinkAsChild);
        doc.SelectScene(map);
        QCOMPARE(Labels(view), QStringList({"タイトル",        "ID",
                                            "タイプ",          "Procedure",
                                            "保存可能ラベル",  "実行条件",
                                            "exp:2実行条件",   "exp:3実行条件",
                                            "exp:2移動時",     "exp:3移動時",
                                            "OnEnter:2",       "OnEnter:3",
                                            "OnLeave:2",       "OnLeave:3",
                                            "Hint:2",          "Hint:3",
                                            "Image map消去:2", "Image map消去:3",
                                            "Image map",       "Image map layer"}));
        QCOMPARE(ValueOf(view, "タイプ")->text(), QStringLiteral("イメージマップ"));
        QCOMPARE(view.columnWidth(1), 128);

        updates.updates.clear();
        ValueOf(view, "OnEnter:3")->setText(QStringLiteral("f.x = \"入\""));
        QCOMPARE(b->onenter, Cp932("f.x = \"入\""));
        QCOMPARE(updates.Changes(),
                 (std::vector<SwChange>{SwChange::SceneFields, SwChange::History}));
        QCOMPARE(updates.updates[0].scene, b);
        QVERIFY(doc.IsModified());
        QTest::qWait(0); // the rebuild after the table's own edit
        ValueOf(view, "Image map消去:2")->setCheckState(Qt::Unchecked);
        QCOMPARE(a->clickfreemapimage, 0);

        // Procedure only on a top-level scene; clearing it clears the save
        // labels, which then stay while the tree is a procedure.
        QTest::qWait(0);
        ValueOf(view, "Procedure")->setCheckState(Qt::Checked);
        QCOMPARE(map->procedure, 1);
        QTest::qWait(0);
        ValueOf(view, "保存可能ラベル")->setCheckState(Qt::Unchecked);
        QCOMPARE(map->recordablelabel, 1);
        QTest::qWait(0);
        ValueOf(view, "Procedure")->setCheckState(Qt::Unchecked);
        QCOMPARE(map->procedure, 0);
        QCOMPARE(map->recordablelabel, 0);

        doc.SelectScene(a);
        QVERIFY(!(ValueOf(view, "Procedure")->flags() & Qt::ItemIsEnabled));
        QVERIFY(ValueOf(view, "画面のクリア"));

        // The target of a link scene: refused for itself, an unknown id and
        // another link scene; an id in hexadecimal is taken.
        doc.SelectScene(b);
        QCOMPARE(Labels(view).back(), QStringLiteral("実体のID"));
        ValueOf(view, "実体のID")->setText(QStringLiteral("3"));
        QTest::qWait(0);
        ValueOf(view, "実体のID")->setText(QStringLiteral("0x1"));
        QCOMPARE(b->linkto, map);
        QCOMPARE(b->linkto_id, 1);
        QTest::qWait(0);
        CSwScene* otherLink = Add(doc, map, CScenewrightDoc::kLinkAsChild);
        doc.SelectScene(b);
        ValueOf(view, "実体のID")->setText(QString::number(otherLink->id));
        QCOMPARE(b->linkto, map);
        QCOMPARE(host.errors, (std::vector<std::string>{
                                  Cp932("存在しないID、自分自身は、実体として指定出来ません。"),
                                  Cp932("他へのリンクは、実体として指定出来ません。")}));
        QTest::qWait(0);
        QCOMPARE(ValueOf(view, "実体のID")->text(), QStringLiteral("1"));

        doc.DeleteScene(b);
        doc.SelectScene(nullptr);
        QCOMPARE(view.rowCount(), 0);
        doc.RemoveView(&updates);
    }

    void ProjectTreeAndLog() {
        CScenewrightDoc doc;
        CScenewrightPrjTreeView tree(doc);
        CScenewrightOutputView output(doc);
        QCOMPARE(tree.topLevelItem(0)->text(0), QStringLiteral("root"));
        QCOMPARE(tree.topLevelItem(0)->childCount(), 7);
        QCOMPARE(tree.ListItem(6)->text(0), QStringLiteral("動画"));

        const QStringList files{QStringLiteral("/pictures/空.png")};
        QCOMPARE(tree.DropFiles(tree.ListItem(0), files), 0); // no scene yet
        Add(doc, nullptr);
        // Every list takes files: here the foreground pictures, as one step.
        doc.EnableUndo(true);
        QCOMPARE(tree.DropFiles(tree.ListItem(1), files), 1);
        QCOMPARE(doc.GetSettings().forecg, std::vector<std::string>{Cp932("/pictures/空.png")});
        QCOMPARE(tree.ListItem(1)->childCount(), 1);
        QCOMPARE(tree.ListOf(tree.ListItem(1)->child(0)), 1);
        QCOMPARE(tree.ListItem(1)->child(0)->text(0), QStringLiteral("空.png")); // the name
        // The menu removes the selected file; undo brings it back.
        QMenu* menu = tree.MenuFor(tree.ListItem(1)->child(0));
        QCOMPARE(menu->actions().size(), 3);
        QVERIFY(menu->actions()[2]->isEnabled()); // フォルダを開く
        tree.ListItem(1)->child(0)->setSelected(true);
        QCOMPARE(tree.RemoveSelectedFiles(), 1);
        QVERIFY(doc.GetSettings().forecg.empty());
        QCOMPARE(tree.ListItem(1)->childCount(), 0);
        doc.Undo();
        QCOMPARE(tree.ListItem(1)->childCount(), 1);
        QVERIFY(!tree.MenuFor(tree.ListItem(1))->actions()[1]->isEnabled()); // no file chosen
        QCOMPARE(tree.DropFiles(tree.ListItem(0), files + files), 1);
        QCOMPARE(tree.DropFiles(tree.ListItem(0), files), 0);
        // A path Shift_JIS cannot hold is not taken; the message shows it.
        QCOMPARE(tree.DropFiles(tree.ListItem(0), {QStringLiteral("/pictures/\u00e9t\u00e9.png")}),
                 0);
        std::string unused;
        QString error;
        QVERIFY(!sw::ui::PathToCp932(QStringLiteral("/a/\u00e9.png"), unused, &error));
        QCOMPARE(error, QStringLiteral("/a/?.png: このパスは Shift_JIS で表せません。"));
        QCOMPARE(tree.ListItem(0)->childCount(), 1);
        QCOMPARE(tree.ListItem(0)->child(0)->data(0, Qt::UserRole).toString(), files[0]);
        // A picture's tooltip shows it, decoded by the program; other files
        // and pictures that do not decode show their path.
        TempFolder media;
        QImage picture(40, 20, QImage::Format_RGB32);
        picture.fill(Qt::red);
        const QString png = sw::ui::FromCp932(media.File("red.png"));
        QVERIFY(picture.save(png));
        QVERIFY(tree.TooltipOf(png).contains(QStringLiteral("data:image/png;base64,")));
        QVERIFY(tree.TooltipOf(png).contains(QStringLiteral("(40×20)")));
        const QString broken = sw::ui::FromCp932(media.Write("broken.png", "not a png"));
        QVERIFY(tree.TooltipOf(broken).contains(QStringLiteral("表示できない画像")));
        QCOMPARE(tree.TooltipOf(QStringLiteral("/m/a&b.ogg")), QStringLiteral("/m/a&amp;b.ogg"));
        QCOMPARE(doc.GetSettings().backcg, std::vector<std::string>{Cp932("/pictures/空.png")});

        doc.GetSettings().bgm.push_back("theme.ogg");
        doc.Notify({SwChange::Cells});
        QCOMPARE(tree.ListItem(4)->childCount(), 0); // the lists follow the settings only
        doc.Notify({SwChange::Settings});
        QCOMPARE(tree.ListItem(4)->childCount(), 1);
        doc.ResetDocument();
        QCOMPARE(tree.ListItem(0)->childCount(), 0);

        // A build starts a fresh log; the lines before it stay one step back.
        doc.Notify({SwChange::BuildStarted});
        QCOMPARE(output.count(), 0);
        doc.PostLogLine(SwLog::Plain, Cp932("-----ビルド開始-----"));
        doc.PostLogLine(SwLog::Ok, Cp932("コピーしました"));
        doc.PostLogLine(SwLog::Warning, "w");
        doc.Notify({SwChange::Cells});
        doc.PostLogLine(SwLog::Error, "e");
        doc.PostLogLine(SwLog::Plain, Cp932("-----ビルド終了-----"));
        doc.Notify({SwChange::BuildFinished});
        QCOMPARE(output.count(), 5);
        QStringList lines;
        std::set<QRgb> colours;
        for (int i = 0; i < output.count(); ++i) {
            lines << output.LineText(i);
            const QModelIndex index = output.List()->model()->index(i, 0);
            colours.insert(index.data(Qt::ForegroundRole).value<QColor>().rgb());
        }
        QCOMPARE(lines, QStringList({"-----ビルド開始-----", "ok: コピーしました", "warning: w",
                                     "error: e", "-----ビルド終了-----"}));
        QCOMPARE(colours.size(), std::size_t{4}); // the frame lines share theirs
        QCOMPARE(output.Summary(), QStringLiteral("コピー 1 件、警告 1 件、エラー 1 件"));
        output.SetProblemsOnly(true);
        QCOMPARE(output.count(), 2);
        QCOMPARE(output.LineText(1), QStringLiteral("error: e"));
        output.SetProblemsOnly(false);
        doc.Notify({SwChange::BuildStarted});
        QCOMPARE(output.count(), 0);
        output.ShowPreviousLog(true);
        QCOMPARE(output.count(), 5);
        output.ShowPreviousLog(false);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ViewsTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "ViewsTest.moc"
