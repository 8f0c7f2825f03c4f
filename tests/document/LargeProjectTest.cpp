#include "ProjectGenerator.h"

#include "document/ScenewrightDoc.h"
#include "platform/Files.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <set>

TEST(LargeProject, GeneratedProjectSurvivesReadWriteReadByteForByte) {
    TempFolder temp;
    GeneratedProjectSize size;
    size.scenes = 200;
    ASSERT_TRUE(GenerateProject(temp.Path(), size));
    const std::string generated = ReadFileOrEmpty(temp.File("project.swo"));

    CScenewrightDoc first;
    ASSERT_TRUE(first.ReadProjectFile(temp.File("project.swo").c_str()));
    ASSERT_EQ(first.GetSceneCount(), 200);
    std::set<std::int32_t> sceneKinds, cellTypes;
    int cells = 0;
    for (const auto& scene : first.GetScenes()) {
        sceneKinds.insert(scene->type);
        for (const auto& cell : scene->cells)
            cellTypes.insert(cell->type);
        cells += scene->GetCellCount();
    }
    EXPECT_EQ(cells, 10000);
    EXPECT_EQ(sceneKinds.size(), 4u);
    // Every type but the character, which lives in the settings.
    EXPECT_EQ(cellTypes.size(), 27u);
    EXPECT_EQ(first.GetSettings().GetCharacterCount(), 12);

    ASSERT_TRUE(first.WriteProjectFile(temp.File("again.swo").c_str()));
    CScenewrightDoc second;
    ASSERT_TRUE(second.ReadProjectFile(temp.File("again.swo").c_str()));
    ASSERT_TRUE(second.WriteProjectFile(temp.File("again2.swo").c_str()));
    const std::string again = ReadFileOrEmpty(temp.File("again.swo"));
    EXPECT_TRUE(again == generated);
    EXPECT_TRUE(ReadFileOrEmpty(temp.File("again2.swo")) == again);
}

// The reader takes objects as the file goes; a file refused near its end
// must still leave nothing of its first objects behind.
TEST(LargeProject, FileRefusedAtItsEndLeavesTheDocumentAsItWas) {
    TempFolder temp;
    GeneratedProjectSize size;
    size.scenes = 20;
    size.cellsPerScene = 5;
    ASSERT_TRUE(GenerateProject(temp.Path(), size));
    std::string bytes = ReadFileOrEmpty(temp.File("project.swo"));
    const std::string cut = temp.Write("cut.swo", bytes.substr(0, bytes.size() - 20));
    // A character reference to half a double-byte character.
    bytes.insert(bytes.rfind("</SwStrage>"), "<SwObject><title>\"&#x81;\"</title></SwObject>\r\n");
    const std::string undecodable = temp.Write("undecodable.swo", bytes);

    for (const std::string& path : {cut, undecodable}) {
        SCOPED_TRACE(path);
        CScenewrightDoc doc;
        doc.GetSettings().name = "kept";
        EXPECT_FALSE(doc.ReadProjectFile(path.c_str()));
        EXPECT_EQ(doc.GetSceneCount(), 0);
        EXPECT_EQ(doc.GetSettings().name, "kept");
        EXPECT_EQ(doc.GetProjectFilePath(), "");
    }
}
