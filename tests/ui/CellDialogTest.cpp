#include "ui/CellDialog.h"
#include "document/CellCommands.h"
#include "document/CellFields.h"
#include "model/SwSettings.h"
#include "model/cells/CommandCatalogue.h"
#include "model/cells/CreateObject.h"
#include "model/cells/SwCharacter.h"
#include "model/cells/SwCommand.h"
#include "model/cells/SwLayerCommands.h"
#include "platform/TextOutput.h"
#include "support/TempFolder.h"
#include "ui/ListStylePageView.h"
#include "ui/ProjectSettingsDialog.h"
#include "ui/QtText.h"

#include "UiFixtures.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include <functional>

namespace {

std::string Written(const CSwObj& object) {
    CStringOutput out(false);
    object.WriteXml({}, &out);
    return out.Text();
}

// Runs `act` on the next modal window that opens (a message box or a
// chooser) from inside its event loop.
void OnNextModal(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return OnNextModal(act);
        act(modal);
    });
}

// Closes the next message box, keeping its text.
void AnswerMessage(QString* text) {
    OnNextModal([text](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        *text = box->text();
        box->accept();
    });
}

void PressOk(QDialog& dialog) {
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

// Sets every control of a field to a value different from the cell's: the
// last list entry, the other check state, "7" in number boxes, "x" in text
// boxes, `file` in path boxes, a blue colour.
void ChangeEveryControl(QDialog& dialog, const CSwCommand& cell, const QString& file) {
    for (const CommandField& field : cell.Fields()) {
        QWidget* control = dialog.findChild<QWidget*>(QString::fromUtf8(field.key));
        if (!control)
            continue;
        if (auto* box = qobject_cast<QCheckBox*>(control))
            box->setCheckState(box->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        else if (auto* list = qobject_cast<QComboBox*>(control))
            list->setCurrentIndex(list->count() - 1);
        else if (auto* text = qobject_cast<QPlainTextEdit*>(control))
            text->setPlainText(QStringLiteral("x"));
        else if (auto* button = qobject_cast<QPushButton*>(control)) {
            OnNextModal([](QWidget* modal) {
                auto* chooser = qobject_cast<QColorDialog*>(modal);
                QVERIFY(chooser);
                chooser->setCurrentColor(QColor(0, 0, 255));
                chooser->accept();
            });
            button->click();
        } else if (auto* edit = dialog.findChild<QLineEdit*>(QString::fromUtf8(field.key))) {
            const bool number = field.kind == FieldKind::Integer || field.kind == FieldKind::Real ||
                                field.kind == FieldKind::Unsigned;
            edit->setText(field.kind == FieldKind::FilePath ? file
                          : number                          ? QStringLiteral("7")
                                                            : QStringLiteral("x"));
        }
    }
}

} // namespace

class CellDialogTest : public QObject {
    Q_OBJECT
private slots:
    void EveryTypeTakesEachControlOnOkOnly() {
        TempFolder folder;
        const QString file = QString::fromStdString(folder.Write("a.png", "not decoded"));
        CScenewrightDoc doc;
        CSwScene* target = Add(doc, nullptr);
        target->procedure = 1;
        target->id = 7;
        auto character = CreateObject(SwType::Character);
        doc.GetSettings().AddCharacter(std::move(character));
        int dialogs = 0;
        for (const CommandTypeInfo& info : CommandCatalogue()) {
            const std::int32_t type = info.type;
            auto cell = CreateObject(type);
            auto dialog = CCellDialog::Create(doc, *cell);
            const auto* command = dynamic_cast<const CSwCommand*>(cell.get());
            if (!dialog)
                continue;
            ++dialogs;
            if (type == SwType::Particle)
                dialog->findChild<QLineEdit*>(QStringLiteral("classname"))
                    ->setText(QStringLiteral("Snow"));
            const std::string before = Written(*cell);
            ChangeEveryControl(*dialog, *command, file);
            dialog->reject();
            QCOMPARE(dialog->TakeEdited(), nullptr);
            QCOMPARE(Written(*cell), before);

            dialog = CCellDialog::Create(doc, *cell);
            if (type == SwType::Particle)
                dialog->findChild<QLineEdit*>(QStringLiteral("classname"))
                    ->setText(QStringLiteral("Snow"));
            ChangeEveryControl(*dialog, *command, file);
            PressOk(*dialog);
            QVERIFY2(dialog->result() == QDialog::Accepted, qPrintable(QString::number(type)));
            std::unique_ptr<CSwObj> edited = dialog->TakeEdited();
            const auto& result = dynamic_cast<const CSwCommand&>(*edited);
            for (std::size_t slot = 0; slot < command->Fields().size(); ++slot) {
                const CommandField& field = command->Fields()[slot];
                QWidget* control = dialog->findChild<QWidget*>(QString::fromUtf8(field.key));
                const QString what = QString::number(type) + u' ' + QString::fromUtf8(field.key);
                // Every field has its row, but the flag an import sets on
                // the lines it keeps as written.
                const bool shown = !(type == SwType::Tag && field.key == std::string_view("line"));
                QVERIFY2((control != nullptr) == shown, qPrintable(what));
                if (!control ||
                    (type == SwType::Particle && field.key == std::string_view("classname")))
                    continue;
                if (auto* list = qobject_cast<QComboBox*>(control)) {
                    if (field.kind == FieldKind::Text)
                        QVERIFY2(!result.Text(slot).empty(), qPrintable(what));
                    else
                        QVERIFY2(result.Integer(slot) == list->count() - 1, qPrintable(what));
                } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
                    QVERIFY2(result.Integer(slot) == (box->isChecked() ? 1 : 0), qPrintable(what));
                    QVERIFY2(result.Integer(slot) != command->Integer(slot) ||
                                 command->Integer(slot) == 2,
                             qPrintable(what));
                } else if (qobject_cast<QPushButton*>(control)) {
                    QVERIFY2(result.Integer(slot) == 0x00FF0000, qPrintable(what));
                } else if (field.kind == FieldKind::FilePath) {
                    QVERIFY2(sw::ui::FromCp932(result.Text(slot)) == file, qPrintable(what));
                } else if (field.kind == FieldKind::Real) {
                    QVERIFY2(result.Real(slot) == 7.0, qPrintable(what));
                } else if (field.kind == FieldKind::Text) {
                    QVERIFY2(result.Text(slot) == "x", qPrintable(what));
                } else {
                    QVERIFY2(result.Integer(slot) == 7, qPrintable(what));
                }
            }
        }
        // 107, 117, 119 to 122 and 126 have no fields to edit.
        QCOMPARE(dialogs, 20);
    }

    // Every value a saved project holds survives the controls unchanged.
    void OkOnTheSampleCellsChangesNothing() {
        CScenewrightDoc doc;
        QVERIFY(doc.ReadProjectFile(SW_EXAMPLES_DIR "/sample/sample.swo"));
        doc.SetModifiedFlag(false);
        int opened = 0;
        for (const auto& scene : doc.GetScenes()) {
            for (int position = 0; position < scene->GetCellCount(); ++position) {
                auto dialog = CCellDialog::Create(doc, *scene->GetCellAt(position));
                if (!dialog)
                    continue;
                ++opened;
                PressOk(*dialog);
                QCOMPARE(dialog->result(), int(QDialog::Accepted));
                QVERIFY2(!sw::cells::ReplaceCell(doc, *scene, position, dialog->TakeEdited()),
                         qPrintable(dialog->windowTitle()));
            }
        }
        QVERIFY(opened > 5);
        QVERIFY(!doc.IsModified());
    }

    void ReplacingACellMarksTheDocumentOnlyForAChange() {
        CScenewrightDoc doc;
        CSwScene* scene = Add(doc, nullptr);
        auto label = CreateObject(SwType::Label);
        label->comment = Cp932("メモ");
        scene->AddCell(std::move(label));
        doc.SetModifiedFlag(false);
        QVERIFY(
            !sw::cells::ReplaceCell(doc, *scene, 0, sw::cells::CopyOfCell(*scene->GetCellAt(0))));
        QVERIFY(!sw::cells::ReplaceCell(doc, *scene, 0, CreateObject(SwType::Eval)));
        QVERIFY(!doc.IsModified());
        auto dialog = CCellDialog::Create(doc, *scene->GetCellAt(0));
        dialog->findChild<QLineEdit*>(QStringLiteral("label"))->setText(QStringLiteral("開始"));
        PressOk(*dialog);
        QVERIFY(sw::cells::ReplaceCell(doc, *scene, 0, dialog->TakeEdited()));
        QVERIFY(doc.IsModified());
        QCOMPARE(Written(*scene->GetCellAt(0)), std::string(Cp932(R"(<clct>
  <id>0</id>
  <type>124</type>
  <parent_id>0</parent_id>
  <child_id>0</child_id>
  <prev_id>0</prev_id>
  <next_id>0</next_id>
  <comment>"メモ"</comment>
  <label>"開始"</label>
  <headline>""</headline>
</clct>
)")));
    }

    void NumberBoxesRefuseWhatTheEngineCannotTake() {
        CScenewrightDoc doc;
        auto se = CreateObject(SwType::SePlay);
        auto dialog = CCellDialog::Create(doc, *se);
        dialog->show();
        auto* time = dialog->findChild<QLineEdit*>(QStringLiteral("time"));
        QString message;
        time->setText(QStringLiteral("1秒"));
        AnswerMessage(&message);
        PressOk(*dialog);
        QCOMPARE(message, QStringLiteral("0 以上の整数を入力してください。"));
        QVERIFY(dialog->isVisible());
        time->setText(QStringLiteral("500"));
        dialog->findChild<QLineEdit*>(QStringLiteral("bufno"))->setText(QStringLiteral("-1"));
        AnswerMessage(&message);
        PressOk(*dialog);
        QCOMPARE(message, QStringLiteral("0 以上の整数を入力してください。"));
        QCOMPARE(dialog->result(), int(QDialog::Rejected));

        // A missing file is only a warning: it may come later.
        dialog->findChild<QLineEdit*>(QStringLiteral("bufno"))->setText(QStringLiteral("2"));
        dialog->findChild<QLineEdit*>(QStringLiteral("storage"))
            ->setText(QStringLiteral("/no/such.ogg"));
        AnswerMessage(&message);
        PressOk(*dialog);
        QCOMPARE(message, QStringLiteral("次のファイルが見つかりません：\n/no/such.ogg"));
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        const auto edited = dialog->TakeEdited();
        QCOMPARE(CellInteger(*edited, "time", 0), 500);
        QCOMPARE(CellInteger(*edited, "bufno", 0), 2);
    }

    void LayerSettingsReadLeadingNumbersAndUnknownLayers() {
        CScenewrightDoc doc;
        auto layer = std::make_unique<CSwLayer>();
        layer->SetText(CSwLayer::kLayer, "message5");
        auto dialog = CCellDialog::Create(doc, *layer);
        auto* left = dialog->findChild<QLineEdit*>(QStringLiteral("left"));
        QCOMPARE(left->text(), QStringLiteral("-1"));
        QCOMPARE(dialog->findChild<QComboBox*>(QStringLiteral("layer"))->currentIndex(), -1);
        QCOMPARE(dialog->findChild<QComboBox*>(QStringLiteral("layer"))->itemText(5),
                 QStringLiteral("メッセージレイヤ1"));
        left->clear();
        dialog->findChild<QLineEdit*>(QStringLiteral("top"))->setText(QStringLiteral("+12px"));
        dialog->findChild<QLineEdit*>(QStringLiteral("width"))->setText(QStringLiteral("-3"));
        QCOMPARE(dialog->findChild<QCheckBox*>(QStringLiteral("visible"))->checkState(),
                 Qt::PartiallyChecked);
        PressOk(*dialog);
        const auto edited = dialog->TakeEdited();
        QCOMPARE(CellText(*edited, "layer"), std::string());
        QCOMPARE(CellInteger(*edited, "left", 1), 0);
        QCOMPARE(CellInteger(*edited, "top", 1), 12);
        QCOMPARE(CellInteger(*edited, "width", 1), -3);
        QCOMPARE(CellInteger(*edited, "visible", 1), 2);

        auto current = CreateObject(SwType::CurrentLayer);
        dialog = CCellDialog::Create(doc, *current);
        auto* messages = dialog->findChild<QComboBox*>(QStringLiteral("layer"));
        QCOMPARE(messages->count(), 2);
        messages->setCurrentIndex(1);
        PressOk(*dialog);
        QCOMPARE(CellText(*dialog->TakeEdited(), "layer"), std::string("message1"));
    }

    // OK on a new cell must never write "layer=" with nothing after it.
    void NewCellsSelectTheLayerTheirNameMeans() {
        CScenewrightDoc doc;
        const struct {
            std::int32_t type;
            const char* stored;
            const char* expected;
        } cases[] = {
            {SwType::Transition, "", "0"},
            {SwType::Layer, "", "0"},
            {SwType::Layer, "Base", "0"},
            {SwType::Layer, "00", "0"},
            {SwType::Layer, "2", "2"},
            {SwType::Layer, "base", "base"},
            {SwType::Layer, "message1", "message1"},
            {SwType::CurrentLayer, "", "message0"},
            {SwType::CurrentLayer, "message", "message0"},
            {SwType::BackLay, "all", "all"},
            {SwType::ImageLoad, "base", "base"},
        };
        for (const auto& c : cases) {
            auto cell = CreateObject(c.type);
            dynamic_cast<CSwCommand&>(*cell).SetText(
                dynamic_cast<CSwCommand&>(*cell).SlotOf("layer"), c.stored);
            auto dialog = CCellDialog::Create(doc, *cell);
            QVERIFY(dialog);
            PressOk(*dialog);
            QCOMPARE(CellText(*dialog->TakeEdited(), "layer"), std::string(c.expected));
        }
    }

    void RightClickTargetMustBeACallableScene() {
        CScenewrightDoc doc;
        CSwScene* root = Add(doc, nullptr);
        CSwScene* child = Add(doc, root);
        root->id = 16;
        child->id = 17;
        auto cell = CreateObject(SwType::RightClick);
        auto dialog = CCellDialog::Create(doc, *cell);
        dialog->show();
        auto* number = dialog->findChild<QLineEdit*>(QStringLiteral("callto_id"));
        const std::pair<const char*, QString> cases[] = {
            {"99", QStringLiteral("不正な飛び先IDです。")},
            {"0x11", QStringLiteral("サブルーチンとしての飛び先はルートでなければなりません。")},
            {"020",
             QStringLiteral(
                 "サブルーチンとしての飛び先は Procedure 属性が true でなければなりません。")},
        };
        for (const auto& [text, expected] : cases) {
            number->setText(QString::fromLatin1(text));
            QString message;
            AnswerMessage(&message);
            PressOk(*dialog);
            QCOMPARE(message, expected);
            QVERIFY(dialog->isVisible());
        }
        root->procedure = 1;
        PressOk(*dialog);
        QCOMPARE(CellInteger(*dialog->TakeEdited(), "callto_id", 0), 16);
    }

    void ParticlePresetsFillTheirBoxesAndClassNamesAreChecked() {
        CScenewrightDoc doc;
        auto cell = CreateObject(SwType::Particle);
        auto dialog = CCellDialog::Create(doc, *cell);
        dialog->show();
        auto* presets = dialog->findChild<QComboBox*>(QStringLiteral("presets"));
        QCOMPARE(presets->itemText(0), QStringLiteral("雪が降る（小降り）"));
        QCOMPARE(presets->itemText(presets->count() - 1),
                 QStringLiteral("泡が水底から上がる（多め）"));
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("classname"));
        name->setText(QStringLiteral("3雨"));
        const int rain = presets->findText(QStringLiteral("雨が降る（小降り）"));
        QVERIFY(rain > 0);
        presets->setCurrentIndex(rain);
        emit presets->activated(rain);
        QCOMPARE(name->text(), QStringLiteral("3雨"));
        QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("expyaccel"))->text(),
                 QStringLiteral("0"));
        QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("expxmodaccel"))->text(),
                 QStringLiteral("0"));
        QStringList edges;
        for (const char* key : {"resettop", "resetbottom", "resetleft", "resetright"})
            edges << QString::number(
                dialog->findChild<QCheckBox*>(QString::fromLatin1(key))->isChecked());
        QCOMPARE(edges, QStringList({"0", "1", "0", "0"}));
        QString message;
        AnswerMessage(&message);
        PressOk(*dialog);
        QVERIFY(message.startsWith(QStringLiteral("クラス名には")));
        QVERIFY(dialog->isVisible());
        name->setText(QStringLiteral("Rain_2"));
        PressOk(*dialog);
        const auto edited = dialog->TakeEdited();
        QCOMPARE(CellText(*edited, "classname"), std::string("Rain_2"));
        QCOMPARE(CellText(*edited, "expyaccel"), std::string("0"));
    }

    void FileFiltersBecomeQtNameFilters() {
        QCOMPARE(sw::ui::QtFileFilter("Plugin Files (*.dll)|*.dll|All Files (*.*)|*.*||"),
                 QStringLiteral("Plugin Files (*.dll);;All Files (*)"));
        QCOMPARE(sw::ui::QtFileFilter("Bgm Files (*.wav;*.ogg)|*.wav;*.ogg||"),
                 QStringLiteral("Bgm Files (*.wav *.ogg)"));
    }

    void ProjectSettingsAndCharactersGoThroughOneEdit() {
        CScenewrightDoc doc;
        doc.EnableUndo(true);
        doc.SetModifiedFlag(false);
        CProjectSettingsDialog dialog(doc);
        dialog.show();
        QVERIFY(!sw::cells::ReplaceSettings(doc, dialog.Edited()));
        auto* layers = dialog.findChild<QLineEdit*>(QStringLiteral("laycount"));
        layers->setText(QStringLiteral("2"));
        QString message;
        AnswerMessage(&message);
        PressOk(dialog);
        QCOMPARE(message, QStringLiteral("3 以上の整数を入力してください。"));
        layers->setText(QStringLiteral("4"));
        dialog.findChild<QLineEdit*>(QStringLiteral("name"))->setText(QStringLiteral("春の話"));
        dialog.findChild<QLineEdit*>(QStringLiteral("root"))->setText(QString());

        OnNextModal([](QWidget* modal) {
            auto* characters = qobject_cast<CCharacterDialog*>(modal);
            QVERIFY(characters);
            characters->findChild<QLineEdit*>(QStringLiteral("lastname"))
                ->setText(QStringLiteral("山田"));
            characters->findChild<QLineEdit*>(QStringLiteral("firstname"))
                ->setText(QStringLiteral("一郎"));
            characters->Change(); // nothing selected: nothing happens
            characters->Remove();
            characters->Add();
            characters->findChild<QLineEdit*>(QStringLiteral("firstname"))
                ->setText(QStringLiteral("花子"));
            characters->Add();
            characters->findChild<QComboBox*>(QStringLiteral("delimiter"))->setCurrentIndex(1);
            characters->Change();
            auto* list = characters->findChild<QTreeWidget*>(QStringLiteral("characters"));
            QCOMPARE(list->topLevelItemCount(), 2);
            QCOMPARE(list->topLevelItem(1)->text(2), QStringLiteral("花子"));
            QCOMPARE(list->topLevelItem(1)->text(3), QStringLiteral("0x000000"));
            list->setCurrentItem(list->topLevelItem(0));
            QCOMPARE(characters->findChild<QLineEdit*>(QStringLiteral("firstname"))->text(),
                     QStringLiteral("一郎"));
            characters->accept();
        });
        dialog.findChild<QPushButton*>(QStringLiteral("editCharacters"))->click();
        QCOMPARE(doc.GetSettings().GetCharacterCount(), 0);
        PressOk(dialog);
        QVERIFY(sw::cells::ReplaceSettings(doc, dialog.Edited()));
        QVERIFY(doc.IsModified());
        const CSwSettings& settings = doc.GetSettings();
        QCOMPARE(settings.laycount, 4);
        QCOMPARE(settings.name, Cp932("春の話"));
        QCOMPARE(settings.GetCharacterCount(), 2);
        QCOMPARE(settings.GetCharacterAt(1)->FullName(), Cp932("山田・花子"));
        QCOMPARE(std::string(doc.GetHistory().UndoName()), Cp932("プロジェクトの設定"));

        // The characters alone are a step of their own.
        CSwSettings fewer;
        fewer.Assign(settings);
        fewer.RemoveAllCharacters();
        QVERIFY(sw::cells::ReplaceSettings(doc, fewer));
        QCOMPARE(std::string(doc.GetHistory().UndoName()), Cp932("キャラクターの設定"));
        QCOMPARE(doc.GetSettings().GetCharacterCount(), 0);
        QCOMPARE(doc.GetSettings().laycount, 4);
    }

    void DoubleClickEditsTheCellInTheList() {
        CScenewrightDoc doc;
        CListStylePageView list(doc);
        CSwScene* scene = Add(doc, nullptr);
        scene->AddCell(CreateObject(SwType::Eval));
        scene->AddCell(CreateObject(SwType::Return));
        doc.SelectScene(scene);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        doc.SetModifiedFlag(false);
        OnNextModal([](QWidget* modal) {
            QCOMPARE(modal->windowTitle(), QStringLiteral("式の編集"));
            modal->findChild<QLineEdit*>(QStringLiteral("formula"))
                ->setText(QStringLiteral("f.a = 1"));
            PressOk(*qobject_cast<QDialog*>(modal));
        });
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {},
                           list.visualItemRect(list.item(0, 1)).center());
        QCOMPARE(list.item(0, 1)->text(), QStringLiteral("f.a = 1"));
        QVERIFY(doc.IsModified());
        // A cell without fields opens nothing.
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {},
                           list.visualItemRect(list.item(1, 1)).center());
        QVERIFY(!QApplication::activeModalWidget());
    }
};

QTEST_MAIN(CellDialogTest)
#include "CellDialogTest.moc"
