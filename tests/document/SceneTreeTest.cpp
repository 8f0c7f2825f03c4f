#include "document/DocumentUpdate.h"
#include "document/ScenewrightDoc.h"
#include "support/CollectingView.h"

#include <gtest/gtest.h>

namespace {

// The tree as text: each top-level scene with its children in brackets.
std::string Shape(const CSwObj* first) {
    std::string text;
    for (const CSwObj* s = first; s; s = s->next) {
        if (!text.empty())
            text += ' ';
        text += std::to_string(s->id);
        if (s->child)
            text += "(" + Shape(CSwObj::GetFirstSibling(s->child)) + ")";
    }
    return text;
}

} // namespace

TEST(SceneTree, AddInEveryPlaceWithFreshIds) {
    CScenewrightDoc doc;
    UpdateRecorder updates;
    doc.AddView(&updates);
    EXPECT_EQ(doc.AddScene(CScenewrightDoc::kChoiceAsChild), nullptr); // no current scene
    EXPECT_EQ(doc.AddScene(3), nullptr);
    CSwScene* a = doc.AddScene(CScenewrightDoc::kNewTopLevel);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->id, 1);
    EXPECT_TRUE(doc.IsModified());
    doc.SelectScene(a);
    CSwScene* a1 = doc.AddScene(CScenewrightDoc::kBranchAsChild);
    CSwScene* a2 = doc.AddScene(CScenewrightDoc::kLinkAsChild);
    EXPECT_EQ(a2->type, SwType::SceneLink);
    doc.AddScene(CScenewrightDoc::kNewTopLevel);
    EXPECT_EQ(Shape(doc.GetFirstTopScene()), "1(2 3) 4");

    doc.SelectScene(a2);
    EXPECT_EQ(doc.AddScene(CScenewrightDoc::kChoiceAsChild), nullptr); // a link takes no children
    CSwScene* wrapper = doc.AddScene(CScenewrightDoc::kImageMapAsParent);
    EXPECT_EQ(wrapper->type, SwType::SceneImageMap);
    EXPECT_EQ(Shape(doc.GetFirstTopScene()), "1(2 5(3)) 4");
    doc.SelectScene(a);
    doc.AddScene(CScenewrightDoc::kChoiceAsParent);
    EXPECT_EQ(Shape(doc.GetFirstTopScene()), "6(1(2 5(3))) 4");
    EXPECT_EQ(doc.GetLastAddedScene()->id, 6);
    EXPECT_EQ(doc.GetCurrentScene(), a);
    EXPECT_EQ(a1->parent, a);
    // The views are told to show the new scene, then that the history grew.
    ASSERT_GE(updates.updates.size(), 2u);
    const SwUpdate& tree = updates.updates[updates.updates.size() - 2];
    EXPECT_EQ(tree.change, SwChange::SceneTree);
    EXPECT_EQ(tree.scene, doc.GetLastAddedScene());
    EXPECT_EQ(updates.updates.back().change, SwChange::History);
    doc.RemoveView(&updates);
}

TEST(SceneTree, DeleteMovesChildrenUpAndClearsLinks) {
    CScenewrightDoc doc;
    CSwScene* a = doc.AddScene(CScenewrightDoc::kNewTopLevel);
    doc.SelectScene(a);
    CSwScene* b = doc.AddScene(CScenewrightDoc::kChoiceAsChild);
    CSwScene* link = doc.AddScene(CScenewrightDoc::kLinkAsChild);
    doc.SelectScene(b);
    doc.AddScene(CScenewrightDoc::kChoiceAsChild);
    doc.AddScene(CScenewrightDoc::kChoiceAsChild);
    link->linkto = b;
    doc.SetCurrentCell(nullptr);
    EXPECT_EQ(Shape(doc.GetFirstTopScene()), "1(2(4 5) 3)");

    EXPECT_TRUE(doc.DeleteScene(b));
    EXPECT_EQ(Shape(doc.GetFirstTopScene()), "1(3) 4 5");
    EXPECT_EQ(link->linkto, nullptr);
    EXPECT_EQ(doc.GetCurrentScene(), a); // the former parent
    EXPECT_EQ(doc.GetSceneCount(), 4);
    EXPECT_FALSE(doc.DeleteScene(nullptr));
    EXPECT_EQ(doc.AddScene(CScenewrightDoc::kNewTopLevel)->id, 6);
    EXPECT_EQ(doc.FindScene(0), nullptr);
}

TEST(SceneTree, CutLinkMakesTheSubtreeTopLevel) {
    CScenewrightDoc doc;
    CollectingLog log;
    doc.AddLogSink(&log);
    CSwScene* a = doc.AddScene(CScenewrightDoc::kNewTopLevel);
    doc.SelectScene(a);
    CSwScene* b = doc.AddScene(CScenewrightDoc::kChoiceAsChild);
    doc.AddScene(CScenewrightDoc::kChoiceAsChild);
    doc.SelectScene(b);
    doc.AddScene(CScenewrightDoc::kChoiceAsChild);
    doc.AddScene(CScenewrightDoc::kNewTopLevel);
    EXPECT_EQ(Shape(doc.GetFirstTopScene()), "1(2(4) 3) 5");
    EXPECT_FALSE(doc.CutLink(a));
    EXPECT_TRUE(doc.CutLink(b));
    EXPECT_EQ(Shape(doc.GetFirstTopScene()), "1(3) 5 2(4)");
    EXPECT_EQ(doc.GetCurrentScene(), b);
    EXPECT_EQ(b->select, 1);
    EXPECT_EQ(a->select, 0);
    // Choosing a scene is no news for the build log.
    doc.SelectScene(nullptr);
    EXPECT_TRUE(log.lines.empty());
}
