#include "document/ProjectBuild.h"
#include "document/ProjectCheck.h"
#include "document/ScenewrightDoc.h"
#include "model/cells/SwMessage.h"
#include "scenario/ProjectBuilder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr int kMany = 100000;

CSwScene* NewScene(CScenewrightDoc& doc, std::int32_t id) {
    auto scene = std::make_unique<CSwScene>();
    scene->id = id;
    scene->type = SwType::SceneChoice;
    return doc.AdoptScene(std::move(scene));
}

// Saves, reopens and builds `doc`; the reopened document is left in `reread`.
void SaveOpenBuild(CScenewrightDoc& doc, CScenewrightDoc& reread, const TempFolder& temp) {
    temp.Write("game/system/config.tjs", "");
    doc.GetSettings().root = temp.File("game");
    const std::string path = temp.File("big.swo");
    ASSERT_TRUE(doc.WriteProjectFile(path.c_str()));
    ASSERT_TRUE(reread.ReadProjectFile(path.c_str()));
    ASSERT_EQ(reread.GetSceneCount(), doc.GetSceneCount());
    EXPECT_TRUE(BuildProject(reread));
    EXPECT_EQ(reread.GetBuildStatus(), SwBuildStatus::Built);
    CheckProject(reread);
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

} // namespace

TEST(LargeProjects, ChainOfScenesEachTheChildOfThePrevious) {
    TempFolder temp;
    CScenewrightDoc doc;
    CSwScene* previous = NewScene(doc, 1);
    previous->procedure = 1; // every scene's ending looks at the top of its tree
    for (int id = 2; id <= kMany; ++id) {
        CSwScene* scene = NewScene(doc, id);
        previous->child = scene;
        scene->parent = previous;
        previous = scene;
    }
    CScenewrightDoc reread;
    SaveOpenBuild(doc, reread, temp);
    const CSwScene* last = reread.FindScene(kMany);
    ASSERT_NE(last, nullptr);
    ASSERT_NE(last->parent, nullptr);
    EXPECT_EQ(last->parent->id, kMany - 1);
    EXPECT_EQ(last->Top()->id, 1);

    const std::string script = ReadFileOrEmpty(temp.File("game/scenario/first.ks"));
    EXPECT_EQ(Count(script, "[tempsave]"), 1u);
    EXPECT_EQ(Count(script, "[return]"), std::size_t{kMany});
    // The jump to the child stands before the ending of the procedure.
    EXPECT_NE(script.find("*__LABEL_99999__\r\n;\r\n[jump target=\"*__LABEL_100000__\"]\r\n"
                          "[tempload bgm=false se=false backlay=false][rclick call=true "
                          "target=\"*__LABEL_1__\" enabled=true]\r\n[return]\r\n;\r\n"
                          "*__LABEL_100000__\r\n"),
              std::string::npos);
}

TEST(LargeProjects, SceneWithAHundredThousandCells) {
    TempFolder temp;
    CScenewrightDoc doc;
    CSwScene* scene = NewScene(doc, 1);
    for (int i = 0; i < kMany; ++i) {
        auto message = std::make_unique<CSwMessage>();
        message->SetMessage("セル" + std::to_string(i));
        scene->AddCell(std::move(message));
    }
    CScenewrightDoc reread;
    SaveOpenBuild(doc, reread, temp);
    const CSwScene* read = reread.FindScene(1);
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->GetCellCount(), kMany);
    EXPECT_EQ(static_cast<const CSwMessage*>(read->GetCellAt(kMany - 1))->message(), "セル99999");
    const std::string script = ReadFileOrEmpty(temp.File("game/scenario/first.ks"));
    EXPECT_NE(script.find("セル99998"), std::string::npos);
    EXPECT_LT(script.find("セル99998"), script.find("セル99999"));
}
