#include "platform/Files.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <unistd.h>

TEST(Files, FailedAtomicWriteKeepsTheOldFileAndLeavesNoTemporary) {
    TempFolder temp;
    const std::string path = temp.Write("ソ表.swo", "old contents");
    sw::files::InjectWriteFailureAfter(5);
    EXPECT_FALSE(sw::files::WriteFileAtomically(path, "new contents that are longer"));
    sw::files::InjectWriteFailureAfter(-1);
    EXPECT_EQ(ReadFileOrEmpty(path), "old contents");
    EXPECT_EQ(sw::files::FindFiles(temp.Path(), "*"), std::vector<std::string>{"ソ表.swo"});
    EXPECT_EQ(sw::files::FindFiles(temp.Path(), ".*"), std::vector<std::string>{});

    EXPECT_TRUE(sw::files::WriteFileAtomically(path, "new"));
    EXPECT_EQ(ReadFileOrEmpty(path), "new");
}

TEST(Files, SavingThroughASymbolicLinkReplacesTheLinkedFile) {
    TempFolder temp;
    const std::string target = temp.Write("real.swo", "a");
    const std::string link = temp.File("link.swo");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    EXPECT_TRUE(sw::files::WriteFileAtomically(link, "b"));
    EXPECT_EQ(ReadFileOrEmpty(target), "b");
    EXPECT_TRUE(sw::files::IsSameFile(link, target));
}

TEST(Files, WildcardsAndFileIdentity) {
    TempFolder temp;
    temp.Write("p_0.png", "x");
    temp.Write("p_0.bmp", "x");
    temp.Write("p_10.png", "x");
    temp.Write("sub/p_0.jpg", "x");
    EXPECT_EQ(sw::files::FindFiles(temp.Path(), "p_0.*"),
              (std::vector<std::string>{"p_0.bmp", "p_0.png"}));
    EXPECT_TRUE(sw::files::IsSameFile(temp.File("p_0.png"), temp.Path() + "/sub/../p_0.png"));
    EXPECT_FALSE(sw::files::IsSameFile(temp.File("p_0.png"), temp.File("p_0.bmp")));
    EXPECT_FALSE(sw::files::IsSameFile(temp.File("p_0.png"), temp.File("missing")));
}
