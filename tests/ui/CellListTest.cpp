#include "document/CellCommands.h"
#include "model/cells/CreateObject.h"
#include "model/cells/SwMessage.h"
#include "model/cells/SwSoundEffectCommands.h"
#include "support/TempFolder.h"
#include "ui/ListStylePageView.h"
#include "ui/QtText.h"
#include "ui/SwObjTrayFrame.h"

#include "UiFixtures.h"

#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QtTest>

#include <functional>

namespace {

QStringList Column(const QTableWidget& list, int column) {
    QStringList texts;
    for (int row = 0; row < list.rowCount(); ++row)
        texts << list.item(row, column)->text();
    return texts;
}

// Runs `act` on the next dialog that opens, from inside its event loop.
void OnNextDialog(std::function<void(QDialog&)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return OnNextDialog(act);
        act(*dialog);
    });
}

void AddMessage(CSwScene& scene, const char* text) {
    auto cell = std::make_unique<CSwMessage>();
    cell->SetMessage(text);
    scene.AddCell(std::move(cell));
}

} // namespace

class CellListTest : public QObject {
    Q_OBJECT
private slots:
    void RowsSelectionAndKeys() {
        CScenewrightDoc doc;
        CListStylePageView list(doc);
        CSwScene* scene = Add(doc, nullptr);
        AddMessage(*scene, "a");
        scene->AddCell(CreateObject(SwType::Character));
        auto se = std::make_unique<CSwSePlay>();
        se->SetText(CSwSePlay::kStorage, "/media/bang.wav");
        se->comment = Cp932("扉");
        scene->AddCell(std::move(se));
        scene->AddCell(CreateObject(SwType::RightClick));
        doc.SelectScene(scene);
        QCOMPARE(Column(list, 0), QStringList({"文章", "SE再生", "右クリック"}));
        // File names rather than paths, which stay in the tooltip; the
        // right click names where it goes.
        QCOMPARE(Column(list, 1), QStringList({"a", "bang.wav", "（飛び先が指定されていません）"}));
        QCOMPARE(list.item(1, 1)->toolTip(), QStringLiteral("bang.wav\n/media/bang.wav"));
        QVERIFY(!list.item(1, 0)->icon().isNull());
        QVERIFY(list.columnWidth(0) >=
                list.fontMetrics().horizontalAdvance(QStringLiteral("右クリック")));
        QCOMPARE(Column(list, 2),
                 QStringList({"", "扉", "マウスの右クリックイベントを処理します。"}));

        // Rows skip the character record, so the cells are found by row.
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        doc.SetModifiedFlag(false);
        list.selectRow(2);
        QCOMPARE(list.SelectedCells(), std::vector<int>{3});
        QCOMPARE(doc.GetCurrentCell(), scene->GetCellAt(3));
        list.setFocus();
        QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(doc.GetCopyBuffer().size(), std::size_t{1});
        QVERIFY(!doc.IsModified());
        QTest::keyClick(&list, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(Column(list, 0), QStringList({"文章", "SE再生", "右クリック", "右クリック"}));
        QCOMPARE(list.SelectedCells(), std::vector<int>{3});
        QVERIFY(doc.IsModified());

        doc.SetModifiedFlag(false);
        list.selectAll();
        QTest::keyClick(&list, Qt::Key_Delete);
        QCOMPARE(list.rowCount(), 0);
        QCOMPARE(scene->GetCellCount(), 1); // the character record stays
        QVERIFY(doc.IsModified());
        list.Paste(); // the buffer outlives the delete
        QCOMPARE(Column(list, 0), QStringList({"右クリック"}));
    }

    // The sample's opening scene reads as a story in the list.
    void SampleRowsReadAsTheStory() {
        CScenewrightDoc doc;
        QVERIFY(doc.ReadProjectFile(SW_EXAMPLES_DIR "/sample/sample.swo"));
        CListStylePageView list(doc);
        list.resize(720, 560);
        doc.SelectScene(doc.FindScene(1));
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const QStringList contents = Column(list, 1);
        QVERIFY(contents.contains(QStringLiteral("「山田一郎」おはよう。")));
        QVERIFY(contents.contains(QStringLiteral("sky.png（背景レイヤ）")));
        QVERIFY(contents.contains(QStringLiteral("theme.wav（フェードイン 1500ms）")));
        QVERIFY(contents.contains(QStringLiteral("ユニバーサル wipe.png 800ms（背景レイヤ）")));
        QVERIFY(contents.contains(QStringLiteral("opening|オープニング")));
        const QByteArray folder = qgetenv("SW_SCREENSHOT_DIR");
        if (!folder.isEmpty())
            QVERIFY(list.grab().save(QString::fromLocal8Bit(folder) + "/cell-list.png", "PNG"));
    }

    void CutSelectsTheNewLastRowAndPasteNeedsOneRow() {
        QApplication::clipboard()->clear();
        CScenewrightDoc doc;
        CListStylePageView list(doc);
        CSwScene* scene = Add(doc, nullptr);
        for (const char* text : {"a", "b", "c", "d"})
            AddMessage(*scene, text);
        doc.SelectScene(scene);
        list.SelectCells(2, 2);
        list.Cut();
        QCOMPARE(Column(list, 1), QStringList({"a", "b"}));
        QCOMPARE(list.SelectedCells(), std::vector<int>{1});
        list.SelectCells(0, 2);
        list.Paste();
        QCOMPARE(list.rowCount(), 2);
        list.SelectCells(0, 1);
        list.Paste();
        QCOMPARE(Column(list, 1), QStringList({"c", "d", "a", "b"}));
        QCOMPARE(list.SelectedCells(), (std::vector<int>{0, 1}));
    }

    void ClipboardCarriesCellsBetweenDocuments() {
        CScenewrightDoc first;
        CListStylePageView from(first);
        CSwScene* source = Add(first, nullptr);
        AddMessage(*source, Cp932("台詞").c_str());
        first.SelectScene(source);
        from.SelectCells(0, 1);
        from.Copy();
        const QMimeData* data = QApplication::clipboard()->mimeData();
        QVERIFY(data && data->hasFormat(kSwObjMimeType));

        CScenewrightDoc second;
        CListStylePageView to(second);
        to.Paste(); // no scene yet
        second.SelectScene(Add(second, nullptr));
        to.Paste();
        QCOMPARE(Column(to, 1), QStringList({"台詞"}));
        QVERIFY(second.IsModified());

        // Foreign data, ours or not, pastes nothing and keeps the buffer.
        second.SetModifiedFlag(false);
        auto* broken = new QMimeData;
        broken->setData(kSwObjMimeType, "<SwCells><clct>");
        QApplication::clipboard()->setMimeData(broken);
        to.Paste();
        QApplication::clipboard()->setText(QStringLiteral("<SwCells></SwCells>"));
        to.Paste(); // plain text: the document's own buffer
        QCOMPARE(Column(to, 1), QStringList({"台詞", "台詞"}));
        QCOMPARE(second.GetCopyBuffer().size(), std::size_t{1});
    }

    void DropsInsertCellsAndImportFiles() {
        CScenewrightDoc doc;
        CListStylePageView list(doc);
        CSwObjTrayFrame tray;
        QCOMPARE(tray.TypeCount(), 27);
        QCOMPARE(tray.ItemOf(SwType::BackLay)->text(), QStringLiteral("裏画面へ転送"));
        QVERIFY(!tray.ItemOf(SwType::BackLay)->icon().isNull());
        QCOMPARE(tray.item(0)->text(), QStringLiteral("文章")); // a family's heading
        QVERIFY(!(tray.item(0)->flags() & Qt::ItemIsSelectable));
        QVERIFY(!CSwObjTrayFrame::NewCellData(SwType::Prototype));
        std::unique_ptr<QMimeData> fromTray(CSwObjTrayFrame::NewCellData(SwType::Label));
        QMimeData& cells = *fromTray;
        QVERIFY(!list.Drop(&cells, -1, false));
        QVERIFY(!doc.IsModified()); // no scene to drop into

        CSwScene* scene = Add(doc, nullptr);
        AddMessage(*scene, "a");
        AddMessage(*scene, "b");
        doc.SelectScene(scene);
        // A new cell from the tray opens its dialog first: ｷｬﾝｾﾙ adds nothing,
        // OK adds the cell as the dialog filled it in, as one step.
        doc.EnableUndo(true);
        OnNextDialog([](QDialog& dialog) { dialog.reject(); });
        QVERIFY(list.Drop(&cells, 1, false));
        QTest::qWait(20);
        QCOMPARE(list.rowCount(), 2);
        QVERIFY(!doc.CanUndo());
        OnNextDialog([](QDialog& dialog) {
            dialog.findChild<QLineEdit*>(QStringLiteral("label"))->setText(QStringLiteral("start"));
            dialog.accept();
        });
        QVERIFY(list.Drop(&cells, 1, false));
        QTest::qWait(20);
        QCOMPARE(Column(list, 0), QStringList({"文章", "ラベル", "文章"}));
        QCOMPARE(list.item(1, 1)->text(), QStringLiteral("start"));
        QCOMPARE(list.SelectedCells(), std::vector<int>{1});
        QVERIFY(doc.IsModified());
        QCOMPARE(doc.GetHistory().StepCount(), std::size_t{1});

        TempFolder folder;
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(
            sw::ui::FromCp932(folder.Write("story.txt", Cp932("おはよう\n"))))});
        QVERIFY(list.Drop(&files, -1, false));
        QCOMPARE(list.rowCount(), 4);
        QCOMPARE(list.item(3, 1)->text(), QStringLiteral("おはよう"));

        // F2 and Enter open the selected cell's dialog.
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        for (const Qt::Key key : {Qt::Key_F2, Qt::Key_Return}) {
            bool opened = false;
            OnNextDialog([&opened](QDialog& dialog) {
                opened = true;
                dialog.reject();
            });
            list.SelectCells(1, 1);
            QTest::keyClick(&list, key);
            QVERIFY(opened);
        }

        // A drag within the list moves the selected cells.
        cells.setData(QStringLiteral("application/x-scenewright-rows"), "0");
        list.SelectCells(0, 2);
        QVERIFY(list.Drop(&cells, -1, true));
        QCOMPARE(Column(list, 0), QStringList({"文章", "文章", "文章", "ラベル"}));
        QCOMPARE(list.SelectedCells(), (std::vector<int>{2, 3}));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    CellListTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "CellListTest.moc"
