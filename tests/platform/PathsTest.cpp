#include "platform/Paths.h"
#include "format/ProjectFile.h"

#include <gtest/gtest.h>

using namespace sw::paths;

TEST(Paths, NormalizeAndJoin) {
    EXPECT_EQ(Normalize("/a/./b//c/../d"), "/a/b/d");
    EXPECT_EQ(Normalize("/../x"), "/x");
    EXPECT_EQ(Normalize("../x/./y"), "../x/y");
    EXPECT_EQ(Normalize("C:\\p\\ソ表\\..\\z"), "C:/p/z");
    EXPECT_EQ(Join("/p/game/", "./bgm/a.ogg"), "/p/game/bgm/a.ogg");
    EXPECT_EQ(FolderOf("/p/ソ/a.swo"), "/p/ソ/");
    EXPECT_EQ(FileNameOf("C:\\x\\表.png"), "表.png");
    EXPECT_EQ(StemOf("/a/b.c.png"), "b.c");
    EXPECT_EQ(ExtensionOf("/a/b"), "");
}

TEST(ProjectPaths, RelativeFormsOfMediaPaths) {
    const std::string folder = "/home/u/proj/";
    EXPECT_EQ(MakeRelativePath("/home/u/proj/a.png", folder), "./a.png");
    EXPECT_EQ(MakeRelativePath("/home/u/proj/bgm/a.ogg", folder), "./bgm/a.ogg");
    EXPECT_EQ(MakeRelativePath("/home/u/other/b.png", folder), "../other/b.png");
    EXPECT_EQ(MakeRelativePath("", folder), "");
    // No relative form: stored as it is, and read back as it is.
    EXPECT_EQ(MakeRelativePath("D:/media/c.png", folder), "D:/media/c.png");
    EXPECT_EQ(MakeRelativePath("/home/u/proj/ソ表/d.png", folder), "./ソ表/d.png");
}

TEST(ProjectPaths, AbsoluteFormsAcceptWindowsSeparators) {
    const std::string folder = "/home/u/proj/";
    EXPECT_EQ(MakeAbsolutePath(".\\bgm\\a.ogg", folder), "/home/u/proj/bgm/a.ogg");
    EXPECT_EQ(MakeAbsolutePath("..\\other\\表.png", folder), "/home/u/other/表.png");
    EXPECT_EQ(MakeAbsolutePath("./ソ/x.png", folder), "/home/u/proj/ソ/x.png");
    EXPECT_EQ(MakeAbsolutePath("C:\\game\\a.png", folder), "C:\\game\\a.png");
    EXPECT_EQ(MakeAbsolutePath("/abs/a.png", folder), "/abs/a.png");
    EXPECT_EQ(MakeAbsolutePath("", folder), "");
}

TEST(Paths, InsideMeansTheFolderOrBelowNotASiblingSharingItsName) {
    EXPECT_TRUE(sw::paths::IsInside("/a/game", "/a/game"));
    EXPECT_TRUE(sw::paths::IsInside("/a/game/", "/a/game"));
    EXPECT_TRUE(sw::paths::IsInside("/a/game/sub/x", "/a/game/"));
    EXPECT_TRUE(sw::paths::IsInside("/a/game/sub/../x", "/a/game"));
    EXPECT_FALSE(sw::paths::IsInside("/a/game-scenewright", "/a/game"));
    EXPECT_FALSE(sw::paths::IsInside("/a", "/a/game"));
    EXPECT_FALSE(sw::paths::IsInside("/a/game/../other", "/a/game"));
}
