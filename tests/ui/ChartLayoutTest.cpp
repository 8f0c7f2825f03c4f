#include "document/ChartLayout.h"

#include "UiFixtures.h"

#include <QtTest>

namespace {

QPoint At(const CSwScene* scene) {
    return QPoint(scene->x, scene->y);
}

} // namespace

class ChartLayoutTest : public QObject {
    Q_OBJECT
private slots:
    void StepsFollowTheBoxSize() {
        CChartLayout layout;
        QCOMPARE(layout.StepX(), 105);
        QCOMPARE(layout.StepY(), 86);
        QCOMPARE(layout.TreeGap(), 104);
        layout.SetBoxSize(120, 60);
        QCOMPARE(layout.StepX(), 172);
        QCOMPARE(layout.StepY(), 132);
        layout.SetBoxSize(80, 30);
        QCOMPARE(layout.StepX(), 112);
        QCOMPARE(layout.StepY(), 92);
        layout.SetBoxSize(74, 24);
        QCOMPARE(layout.StepX(), 106); // one pixel past 73
        QCOMPARE(layout.TreeGap(), 106);
        layout.SetBoxSize(75, 24);
        QCOMPARE(layout.TreeGap(), 106); // 107 rounded down to even
    }

    void TreesLevelsAndChartSize() {
        CScenewrightDoc doc;
        CChartLayout layout;
        CSwScene* root = Add(doc, nullptr);
        layout.Layout(doc);
        QCOMPARE(At(root), QPoint(160, 86));

        // Two childless children under the root, a second tree beside it.
        CSwScene* left = Add(doc, root);
        CSwScene* right = Add(doc, root);
        CSwScene* second = Add(doc, nullptr);
        layout.Layout(doc);
        QCOMPARE(At(left), QPoint(160, 172));
        QCOMPARE(At(right), QPoint(265, 172));
        QCOMPARE(At(root), QPoint(212, 86));
        QCOMPARE(root->region.left, 160);
        QCOMPARE(root->region.right, 265);
        QCOMPARE(root->region.bottom, 172);
        QCOMPARE(At(second), QPoint(265 + 64 + 104 + 20, 86));
        const CChartLayout::Size size = layout.ChartSize(doc, 1, 1);
        QCOMPARE(size.width, 453 + 64 + 104 + 20);
        QCOMPARE(size.height, 43 + 24 + 172 + 40);
        const ChartRect frame = layout.TreeFrame(*root);
        QCOMPARE(frame, (ChartRect{160 - 52, 86 - 43, 265 + 64 + 52, 172 + 24 + 43}));

        // A parent whose children stand left of its place keeps the step
        // from its neighbour: `right` gets a child, which starts level 2.
        CSwScene* grandchild = Add(doc, right);
        layout.Layout(doc);
        QCOMPARE(At(grandchild), QPoint(160, 258));
        QCOMPARE(At(left), QPoint(160, 172));
        QCOMPARE(At(right), QPoint(265, 172));
        QCOMPARE(root->region.bottom, 258);

        // Bigger icons: every level moves with the vertical step.
        layout.SetBoxSize(80, 30);
        layout.Layout(doc);
        QCOMPARE(At(root), QPoint((160 + 272) / 2, 92));
        QCOMPARE(At(second), QPoint(272 + 80 + 112 + 20, 92));
    }

    void DamagedChainsEnd() {
        CScenewrightDoc doc;
        CSwScene* root = Add(doc, nullptr);
        CSwScene* child = Add(doc, root);
        child->next = child; // a loop a broken file could leave
        CChartLayout().Layout(doc);
        QCOMPARE(At(child), QPoint(160, 172));
        QCOMPARE(At(root), QPoint(160, 86));
        child->next = nullptr;
    }

    void DeepChainAndWideFanLayOutWithoutRecursion() {
        constexpr int kMany = 100000;
        CScenewrightDoc doc;
        std::vector<CSwScene*> scenes;
        for (int id = 1; id <= 2 * kMany + 1; ++id) {
            auto scene = std::make_unique<CSwScene>();
            scene->id = id;
            scene->type = SwType::SceneChoice;
            scenes.push_back(doc.AdoptScene(std::move(scene)));
        }
        // Scenes 1 to kMany each the child of the one before; the next tree's
        // root has the remaining scenes as its children.
        for (int i = 1; i < kMany; ++i) {
            scenes[i - 1]->child = scenes[i];
            scenes[i]->parent = scenes[i - 1];
        }
        CSwScene* fan = scenes[kMany];
        scenes[0]->next = fan;
        fan->prev = scenes[0];
        fan->child = scenes[kMany + 1];
        for (int i = kMany + 1; i <= 2 * kMany; ++i) {
            scenes[i]->parent = fan;
            if (i > kMany + 1) {
                scenes[i]->prev = scenes[i - 1];
                scenes[i - 1]->next = scenes[i];
            }
        }
        CChartLayout layout;
        layout.Layout(doc);
        QCOMPARE(At(scenes[kMany - 1]), QPoint(160, 86 * kMany));
        QCOMPARE(scenes[0]->region.bottom, 86 * kMany);
        const int fanX = 160 + 104 + 20 + 64; // past the first tree and its gap
        QCOMPARE(At(scenes[2 * kMany]), QPoint(fanX + 105 * (kMany - 1), 172));
        // The integer mean of the children's x.
        QCOMPARE(At(fan), QPoint(fanX + 5249947, 86));
        QCOMPARE(layout.ChartSize(doc, 1, 1).width, fanX + 105 * (kMany - 1) + 64 + 104 + 20);
    }

    void HitTestIncludesTheEdgesAndPrefersArrayOrder() {
        CScenewrightDoc doc;
        CSwScene* first = Add(doc, nullptr);
        CSwScene* second = Add(doc, nullptr);
        CChartLayout layout;
        layout.Layout(doc);
        QCOMPARE(layout.SceneAt(doc, 160, 86), first);
        QCOMPARE(layout.SceneAt(doc, 224, 110), first);
        QCOMPARE(layout.SceneAt(doc, 225, 86), nullptr);
        QCOMPARE(layout.SceneAt(doc, 160, 85), nullptr);
        QCOMPARE(layout.SceneAt(doc, 159, 111), nullptr);
        QCOMPARE(layout.SceneAt(doc, second->x + 64, second->y + 24), second);
        second->x = first->x + 10; // overlapping boxes
        second->y = first->y;
        QCOMPARE(layout.SceneAt(doc, 200, 90), first);
        QCOMPARE(layout.SceneAt(doc, 230, 90), second);
    }

    void LabelsBreakOnWholeCharacters() {
        using Lines = std::vector<std::string>;
        const std::string single(45, 'a');
        QCOMPARE(CChartLayout::LabelLines(single),
                 (Lines{std::string(20, 'a'), std::string(20, 'a'), "aaaaa"}));
        // A double-byte character from the 20th byte stays whole: 21 bytes.
        const std::string wide = std::string(19, 'b') + Cp932("あい");
        QCOMPARE(CChartLayout::LabelLines(wide),
                 (Lines{std::string(19, 'b') + Cp932("あ"), Cp932("い")}));
        // A trail byte at the 20th that looks like a lead byte (0x9F) ends
        // its character there: the line keeps 20 bytes.
        const std::string trail = std::string(18, 'c') + "\x88\x9F" + "ddd";
        QCOMPARE(CChartLayout::LabelLines(trail),
                 (Lines{std::string(18, 'c') + "\x88\x9F", "ddd"}));
        const Lines five = CChartLayout::LabelLines(std::string(130, 'e'));
        QCOMPARE(five.size(), std::size_t{5});
        QCOMPARE(five.back(), std::string(20, 'e'));
        QVERIFY(CChartLayout::LabelLines("").empty());
    }
};

QTEST_APPLESS_MAIN(ChartLayoutTest)
#include "ChartLayoutTest.moc"
