#include "document/ScenewrightDoc.h"
#include "platform/Files.h"
#include "support/CollectingView.h"

#include <gtest/gtest.h>

namespace {

// Pre-order walk that would never end on a looping tree; bounded so that a
// regression fails instead of hanging.
int CountReachable(const CScenewrightDoc& doc) {
    int visited = 0;
    const int limit = doc.GetSceneCount() + 1;
    std::vector<CSwObj*> stack;
    for (const auto& scene : doc.GetScenes()) {
        if (!scene->parent && !scene->prev)
            stack.push_back(scene.get());
    }
    while (!stack.empty() && visited <= limit) {
        CSwObj* at = stack.back();
        stack.pop_back();
        ++visited;
        if (CSwObj::GetTopmost(at) == nullptr)
            return -1;
        if (at->next)
            stack.push_back(at->next);
        if (at->child)
            stack.push_back(CSwObj::GetFirstSibling(at->child));
    }
    return visited;
}

} // namespace

TEST(BrokenFiles, EveryFileOfTheCorpusIsReadSafelyOrRefusedWithAMessage) {
    const std::string folder = SW_TEST_DATA_DIR "/broken";
    const std::vector<std::string> names = sw::files::FindFiles(folder, "*.swo");
    ASSERT_GE(names.size(), 10u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        CScenewrightDoc doc;
        CollectingLog log;
        doc.AddLogSink(&log);
        const std::string path = folder + "/" + name;
        if (doc.ReadProjectFile(path.c_str())) {
            const int reachable = CountReachable(doc);
            EXPECT_GE(reachable, 0);
            EXPECT_LE(reachable, doc.GetSceneCount());
            EXPECT_NE(doc.GetSettings().name.find("root:"), 0u); // no external entity content
        } else {
            EXPECT_EQ(doc.GetSceneCount(), 0);
            EXPECT_EQ(doc.GetProjectFilePath(), "");
            ASSERT_FALSE(log.lines.empty());
            EXPECT_TRUE(log.lines.back().starts_with("error: ドキュメントが不正です"));
        }
    }
}

TEST(BrokenFiles, SpecificRepairsAndRefusals) {
    const std::string folder = SW_TEST_DATA_DIR "/broken/";
    CScenewrightDoc doc;
    CollectingLog log;
    doc.AddLogSink(&log);
    ASSERT_TRUE(doc.ReadProjectFile((folder + "link-cycles.swo").c_str()));
    EXPECT_EQ(doc.GetSceneCount(), 5);
    ASSERT_GE(log.lines.size(), 2u);
    log.lines.resize(2);
    EXPECT_EQ(
        log.lines,
        (std::vector<std::string>{
            "warning: "
            "シーンのつながりに矛盾があったため、シーン番号1、2、3、4のつながりを切り離しました。",
            "warning: "
            "シーン番号4が複数のシーンで使われています。リンクは最初のシーンにつながります。"}));

    CScenewrightDoc misplaced;
    ASSERT_TRUE(misplaced.ReadProjectFile((folder + "misplaced-elements.swo").c_str()));
    // Nested scenes are found at any depth; type 9 and untyped ones are refused.
    ASSERT_EQ(misplaced.GetSceneCount(), 2);
    EXPECT_EQ(misplaced.GetSceneAt(0)->id, 5);
    EXPECT_EQ(misplaced.GetSceneAt(1)->id, 6);

    CScenewrightDoc unquoted;
    ASSERT_TRUE(unquoted.ReadProjectFile((folder + "unquoted-values.swo").c_str()));
    EXPECT_EQ(unquoted.GetSettings().name, "abc");
    ASSERT_EQ(unquoted.GetSceneCount(), 1);
    EXPECT_EQ(unquoted.GetSceneAt(0)->title, "no quotes");
    EXPECT_EQ(unquoted.GetSceneAt(0)->GetCellCount(), 1);

    CScenewrightDoc huge;
    ASSERT_TRUE(huge.ReadProjectFile((folder + "huge-integers.swo").c_str()));
    EXPECT_EQ(huge.GetSettings().height, INT32_MAX);

    // One byte that is no CP932 costs the author that character only.
    CScenewrightDoc replaced;
    CollectingLog replacedLog;
    replaced.AddLogSink(&replacedLog);
    ASSERT_TRUE(replaced.ReadProjectFile((folder + "invalid-cp932.swo").c_str()));
    EXPECT_EQ(replaced.GetSettings().name, "〓 ");
    ASSERT_EQ(replacedLog.lines.size(), 2u);
    EXPECT_EQ(replacedLog.lines[0],
              "warning: 2行目（プロジェクトの設定）の Shift_JIS として読めない文字を 〓 "
              "に置き換えて読み込みました。");

    // Entities are never expanded: any document type declaration is refused.
    for (const char* name : {"entity-expansion.swo", "external-entity.swo"}) {
        CScenewrightDoc doc;
        CollectingLog log;
        doc.AddLogSink(&log);
        EXPECT_FALSE(doc.ReadProjectFile((folder + name).c_str())) << name;
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_EQ(log.lines[0], "error: ドキュメントが不正です(2行目に文書型宣言 DOCTYPE "
                                "があります。プロジェクトファイルには書けません)。");
    }

    for (const char* refused : {"unrepresentable-utf8.swo", "truncated.swo"}) {
        CScenewrightDoc bad;
        CollectingLog badLog;
        bad.AddLogSink(&badLog);
        EXPECT_FALSE(bad.ReadProjectFile((folder + refused).c_str())) << refused;
        ASSERT_EQ(badLog.lines.size(), 1u);
        EXPECT_NE(badLog.lines[0].find("行目"), std::string::npos) << badLog.lines[0];
    }
}
