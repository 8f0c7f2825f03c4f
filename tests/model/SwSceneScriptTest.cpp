#include "document/ScenewrightDoc.h"
#include "model/SwScene.h"
#include "model/cells/SwMessage.h"
#include "platform/TextOutput.h"
#include "support/BuildingDoc.h"
#include "support/CollectingView.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

struct Tree {
    std::vector<std::unique_ptr<CSwScene>> scenes;
    CSwScene* Add(std::int32_t id, CSwScene* parent = nullptr,
                  std::int32_t type = SwType::SceneChoice) {
        scenes.push_back(std::make_unique<CSwScene>());
        CSwScene* scene = scenes.back().get();
        scene->id = id;
        scene->type = type;
        if (parent && parent->child)
            parent->child->AppendSibling(scene);
        else if (parent) {
            parent->child = scene;
            scene->parent = parent;
        }
        return scene;
    }
};

std::string Built(CSwScene& scene, CScenewrightDoc* doc = nullptr) {
    CStringOutput out(false);
    EXPECT_TRUE(scene.Build(&out, doc));
    return out.Text();
}

void AddMessage(CSwScene& scene, const char* text) {
    auto message = std::make_unique<CSwMessage>();
    message->SetMessage(text);
    message->SetClean(false);
    scene.AddCell(std::move(message));
}

} // namespace

TEST(SceneScript, LabelsSingleChildJumpAndCellCondition) {
    Tree tree;
    CSwScene* scene = tree.Add(3);
    EXPECT_EQ(Built(*scene), ";\n*__LABEL_3__|\n;\n[s]\n");
    scene->recordablelabel = 0;
    EXPECT_EQ(Built(*scene), ";\n*__LABEL_3__\n;\n[s]\n");
    scene->recordablelabel = 1;
    scene->title = "序章";
    scene->expmycond = "f.ok"; // no cells: no condition
    EXPECT_EQ(Built(*scene), ";\n*__LABEL_3__|序章\n;\n[s]\n");

    AddMessage(*scene, "a");
    CSwScene* child = tree.Add(7, scene);
    child->expcond = "f.a==1";
    child->exp = "f.b=2";
    EXPECT_EQ(Built(*scene), R"(;
*__LABEL_3__|序章
;
[if exp="f.ok"][jump target="*__LABEL_3___exec"][endif][jump target="*__LABEL_3___skip"]
;
*__LABEL_3___exec
;
[history output=true]
a[l][r]
;
*__LABEL_3___skip
;
[if exp="f.a==1"]
[eval exp="f.b=2"]
[jump target="*__LABEL_7__"]
[endif]
[s]
)");
}

TEST(SceneScript, ChoiceAndBranchWaysOutThroughLinkScenes) {
    Tree tree;
    CSwScene* choice = tree.Add(1);
    choice->clearmsg = 0;
    tree.Add(4, choice)->title = "北へ";
    CSwScene* link = tree.Add(5, choice, SwType::SceneLink);
    CSwScene* far = tree.Add(12);
    link->linkto = far;
    link->expcond = "f.x";
    link->hint = "h";
    EXPECT_EQ(Built(*choice), R"(;
*__LABEL_1__|
;
[nowait]
[link target="*__LABEL_4__"]北へ[endlink][r]
[if exp="f.x"][link target="*__LABEL_12__" hint="h"]シーン12へ[endlink][r][endif]
[endnowait]
[s]
)");
    choice->type = SwType::SceneBranch;
    EXPECT_EQ(Built(*choice), R"(;
*__LABEL_1__|
;
[jump  target="*__LABEL_4__"]
[if  exp="f.x"]
[jump  target="*__LABEL_12__"]
[endif]
[s]
)");
    // A link scene never writes a way out, even with children from a file.
    tree.Add(20, link);
    EXPECT_EQ(Built(*link), ";\n*__LABEL_5__|\n;\n[s]\n");
}

TEST(SceneScript, ProcedureTreesSaveAndReturn) {
    Tree tree;
    CSwScene* top = tree.Add(2);
    top->procedure = 1;
    CSwScene* leaf = tree.Add(6, top);
    EXPECT_EQ(Built(*top),
              ";\n*__LABEL_2__\n;\n;一時的に栞として状態をメモリに保存(デフォルトの0番に)\n"
              "[tempsave]\n[jump target=\"*__LABEL_6__\"]\n"
              "[tempload bgm=false se=false backlay=false]"
              "[rclick call=true target=\"*__LABEL_2__\" enabled=true]\n[return]\n");
    EXPECT_EQ(Built(*leaf), ";\n*__LABEL_6__\n;\n[tempload bgm=false se=false backlay=false]"
                            "[rclick call=true target=\"*__LABEL_2__\" enabled=true]\n[return]\n");
}

TEST(SceneScript, ImageMapCopiesItsPicturesAndNamesTheAreaFileAfterThem) {
    BuildingDoc building;
    TempFolder& temp = building.temp;
    CScenewrightDoc& doc = building.doc;
    CollectingLog& log = building.log;
    const std::string picture = temp.Write("media/map.png", "png");
    temp.Write("media/map_p.bmp", "region");
    temp.Write("media/other_p.bmp", "not ours");
    Tree tree;
    CSwScene* map = tree.Add(1, nullptr, SwType::SceneImageMap);
    map->layer = "1";
    map->mapimage = picture;
    CSwScene* a = tree.Add(2, map);
    a->storage = "x.ks";
    a->hint = "\"ソ\"";
    CSwScene* b = tree.Add(3, map);
    b->clickfreemapimage = 0;
    b->expcond = "f.y == \"\"";
    doc.SetBuildingScene(map);
    EXPECT_EQ(Built(*map, &doc), R"(;
*__LABEL_1__|
;
[image  layer="1" visible=true storage="map.png" page=fore]
[s]
;
*__LABEL_via_2__
;
[freeimage  layer="1" page=fore]
[jump target="*__LABEL_2__"]
)");
    EXPECT_EQ(ReadFileOrEmpty(temp.File("game/image/map.png")), "png");
    EXPECT_EQ(ReadFileOrEmpty(temp.File("game/image/map_p.bmp")), "region");
    EXPECT_EQ(ReadFileOrEmpty(temp.File("game/image/other_p.bmp")), "");
    // The engine looks the areas up by the picture's name.
    EXPECT_EQ(ReadFileOrEmpty(temp.File("game/others/map.ma")),
              "1: storage=\"x.ks\"; hint=\"\\\"ソ\\\"\"; target=\"*__LABEL_via_2__\";\r\n"
              "2: if (f.y == \"\") {  target=\"*__LABEL_3__\"; }\r\n");
    EXPECT_EQ(doc.GetBuildStatus(), SwBuildStatus::NotBuilt);

    // A second map whose picture has the same name takes the area file over.
    CSwScene* second = tree.Add(4, nullptr, SwType::SceneImageMap);
    second->mapimage = temp.Write("elsewhere/map.jpg", "jpg");
    tree.Add(5, second);
    tree.Add(6, second);
    doc.SetBuildingScene(second);
    log.lines.clear();
    Built(*second, &doc);
    ASSERT_EQ(log.lines.size(), 2u) << ::testing::PrintToString(log.lines);
    EXPECT_NE(log.lines[1].find("シーン番号4: イメージマップの画像名がシーン番号1と同じため"),
              std::string::npos)
        << log.lines[1];

    // A picture that is named but missing fails the scene with status 5.
    second->mapimage = temp.File("missing/map.png");
    CStringOutput out(false);
    EXPECT_FALSE(second->Build(&out, &doc));
    EXPECT_EQ(doc.GetBuildStatus(), SwBuildStatus::MediaCopyFailed);
}

TEST(SceneScript, AuthorTextsAreEscapedForKagAndPlainTextsStayAsTheyAre) {
    Tree tree;
    CSwScene* choice = tree.Add(1);
    choice->clearmsg = 0;
    CSwScene* quoted = tree.Add(2, choice);
    quoted->title = "[注意]ー";       // ー ends in the byte '['
    quoted->hint = "say \"hi\" `Ａ`"; // Ａ ends in the byte '`'
    quoted->expcond = "f.s == \"a\"";
    CSwScene* plain = tree.Add(3, choice);
    plain->title = "次へ";
    plain->exp = "f.n = 1";
    // A loop of link scenes leads nowhere: no link, and a warning.
    CSwScene* loop = tree.Add(4, choice, SwType::SceneLink);
    CSwScene* back = tree.Add(9, nullptr, SwType::SceneLink);
    loop->linkto = back;
    back->linkto = loop;
    CScenewrightDoc doc;
    CollectingLog log;
    doc.AddLogSink(&log);
    EXPECT_EQ(Built(*choice, &doc), R"(;
*__LABEL_1__|
;
[nowait]
[if exp="f.s == `"a`""][link target="*__LABEL_2__" hint="say `"hi`" ``Ａ``"][[注意]ー[endlink][r][endif]
[link target="*__LABEL_3__" exp="f.n = 1"]次へ[endlink][r]
[endnowait]
[s]
)");
    EXPECT_EQ(log.lines, (std::vector<std::string>{
                             "warning: シーン番号1: "
                             "リンクシーン4のリンク先が循環しているため、つながりを無視します。"}));
}

TEST(SceneScript, AFailingCellStopsTheScene) {
    struct Failing : CSwMessage {
        bool Build(CTextOutput*, CBuildContext*) override { return false; }
    };
    Tree tree;
    CSwScene* scene = tree.Add(1);
    scene->expmycond = "f.c";
    scene->AddCell(std::make_unique<Failing>());
    CStringOutput out(false);
    EXPECT_FALSE(scene->Build(&out, nullptr));
    EXPECT_EQ(out.Text().find("_skip\n;"), std::string::npos);
    EXPECT_EQ(out.Text().find("[s]"), std::string::npos);
    EXPECT_FALSE(scene->Build(nullptr, nullptr));
}
