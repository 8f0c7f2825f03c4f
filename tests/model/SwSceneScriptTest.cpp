#include "commands/SwMessage.h"
#include "document/ScenewrightDoc.h"
#include "model/SwScene.h"
#include "platform/TextOutput.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

struct Tree {
    std::vector<std::unique_ptr<CSwScene>> scenes;
    CSwScene* Add(std::int32_t id, CSwScene* parent = nullptr, std::int32_t type = SwType::SceneChoice) {
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
    EXPECT_EQ(Built(*top), ";\n*__LABEL_2__\n;\n;一時的に栞として状態をメモリに保存(デフォルトの0番に)\n"
                           "[tempsave]\n[jump target=\"*__LABEL_6__\"]\n"
                           "[tempload bgm=false se=false backlay=false]"
                           "[rclick call=true target=\"*__LABEL_2__\" enabled=true]\n[return]\n");
    EXPECT_EQ(Built(*leaf), ";\n*__LABEL_6__\n;\n[tempload bgm=false se=false backlay=false]"
                            "[rclick call=true target=\"*__LABEL_2__\" enabled=true]\n[return]\n");
}

TEST(SceneScript, ImageMapWritesViaLabelsAndItsAreaFile) {
    TempFolder temp;
    CScenewrightDoc doc;
    doc.GetSettings().root = temp.Path();
    temp.Write("others/.keep", "");
    Tree tree;
    CSwScene* map = tree.Add(1, nullptr, SwType::SceneImageMap);
    map->layer = "1";
    map->mapimage = "/media/map.png";
    CSwScene* a = tree.Add(2, map);
    a->storage = "x.ks";
    CSwScene* b = tree.Add(3, map);
    b->clickfreemapimage = 0;
    b->expcond = "f.y";
    EXPECT_EQ(Built(*map, &doc), R"(;
*__LABEL_1__|
;
[image  layer="1" visible=true storage="/media/map.png" page=fore]
[s]
;
*__LABEL_via_2__
;
[freeimage  layer="1" page=fore]
[jump target="*__LABEL_2__"]
)");
    EXPECT_EQ(ReadFileOrEmpty(temp.File("others/map.ma")),
              "1: storage=\"x.ks\"; target=\"*__LABEL_via_2__\";\r\n"
              "2: if ( cond=\"f.y\") {  target=\"*__LABEL_3__\"; }\r\n");
}

TEST(SceneScript, AFailingCellStopsTheScene) {
    struct Failing : CSwMessage {
        bool Build(CTextOutput*, CScenewrightDoc*) override { return false; }
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
