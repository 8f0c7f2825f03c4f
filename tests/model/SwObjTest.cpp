#include "model/SwObj.h"
#include "model/SwScene.h"
#include "support/XmlFixture.h"

#include <gtest/gtest.h>

namespace {

std::string SceneElement(const std::string& type, const std::string& id) {
    return "<SwObject>\n  <id>" + id + "</id>\n  <type>" + type +
           "</type>\n  <title>\"t\"</title>\n  <unknown>1</unknown>\n</SwObject>\n";
}

} // namespace

TEST(SwObj, ReadObjectAcceptsOnlyTheExpectedKinds) {
    const CSwScene prototype;
    struct Case {
        const char* type;
        const char* id;
        std::int32_t expected;
        bool accepted;
    } cases[] = {
        {"10", "1", SwType::AnyScene, true},   {"0xD", "2", SwType::AnyScene, true},
        {"9", "1", SwType::AnyScene, false},   {"1", "0", SwType::AnyScene, false},
        {"14", "1", SwType::AnyScene, false},  {"11", "1", SwType::SceneLink, true},
        {"11", "0", SwType::SceneLink, false}, {"9", "3", SwType::AnyScene, false},
    };
    for (const Case& c : cases) {
        ParsedElement element(SceneElement(c.type, c.id), "SwObject");
        ASSERT_TRUE(element.Ok());
        auto object = prototype.ReadObject(c.expected, {}, element.Node());
        EXPECT_EQ(object != nullptr, c.accepted) << c.type << "/" << c.id;
        if (object) {
            EXPECT_EQ(static_cast<CSwScene*>(object.get())->title, "t");
        }
    }
}

TEST(SwObj, TreeNavigationAndLinkIds) {
    CSwScene parent, a, b, c;
    parent.id = 1, a.id = 2, b.id = 3, c.id = 4;
    parent.child = &a;
    a.parent = &parent;
    a.AppendSibling(&b);
    a.AppendSibling(&c);
    EXPECT_EQ(b.parent, &parent);
    EXPECT_EQ(CSwObj::GetChildCount(&parent), 3);
    EXPECT_EQ(CSwObj::GetChildAt(&parent, 2), &c);
    EXPECT_EQ(CSwObj::GetChildAt(&parent, 3), nullptr);
    EXPECT_EQ(CSwObj::GetSiblingIndex(&c), 2);
    EXPECT_EQ(CSwObj::GetTopmost(&c), &parent);
    EXPECT_EQ(CSwObj::GetFirstSibling(&c), &a);
    EXPECT_EQ(CSwObj::GetChildCount(nullptr), 0);
    EXPECT_EQ(a.AppendSibling(&c), nullptr); // already last

    b.UpdateLinkIds();
    EXPECT_EQ(b.parent_id, 1);
    EXPECT_EQ(b.prev_id, 2);
    EXPECT_EQ(b.next_id, 4);
    EXPECT_EQ(b.child_id, -1);
    EXPECT_EQ(b.linkto_id, -1);
}

TEST(SwScene, CopiesCarryFieldsButNotIdentity) {
    CSwScene scene;
    scene.id = 5;
    scene.title = "タイトル";
    scene.procedure = 1;
    auto clone = scene.Clone();
    EXPECT_EQ(clone->id, 0);
    EXPECT_EQ(static_cast<CSwScene&>(*clone).title, "タイトル");
    auto copy = scene.CreateCopy(&scene);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->id, 5);
    EXPECT_EQ(static_cast<CSwScene&>(*copy).procedure, 1);
    scene.id = 0;
    EXPECT_EQ(scene.CreateCopy(&scene), nullptr);
    EXPECT_EQ(scene.CreateCopy(nullptr)->type, SwType::SceneChoice);
}

TEST(SwScene, ResolveTargetFollowsLinkChainsAndStopsOnLoops) {
    CSwScene target, link1, link2;
    link1.type = link2.type = SwType::SceneLink;
    link1.linkto = &link2;
    link2.linkto = &target;
    EXPECT_EQ(CSwScene::ResolveTarget(&link1), &target);
    EXPECT_EQ(CSwScene::ResolveTarget(&target), &target);
    link2.linkto = &link1;
    EXPECT_EQ(CSwScene::ResolveTarget(&link1), nullptr);
    link2.linkto = nullptr;
    EXPECT_EQ(CSwScene::ResolveTarget(&link1), nullptr);
}
