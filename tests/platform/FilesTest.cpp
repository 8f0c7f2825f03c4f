#include "platform/Files.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
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

TEST(Files, WritesBelowARootReplaceLinksAndStayInside) {
    TempFolder temp;
    const std::string root = temp.File("game");
    const std::string victim = temp.Write("outside/victim", "victim");
    temp.Write("game/sub/.keep", "");
    ASSERT_EQ(::symlink(victim.c_str(), temp.File("game/sub/out.txt").c_str()), 0);
    EXPECT_TRUE(sw::files::WriteBelowRoot(root, "sub/out.txt", "new", false));
    EXPECT_EQ(ReadFileOrEmpty(victim), "victim");
    EXPECT_FALSE(sw::files::IsLink(temp.File("game/sub/out.txt")));
    EXPECT_EQ(ReadFileOrEmpty(temp.File("game/sub/out.txt")), "new");

    // A folder that links out is refused and named; one that stays inside is taken.
    ASSERT_EQ(::symlink(temp.File("outside").c_str(), temp.File("game/away").c_str()), 0);
    ASSERT_EQ(::symlink("sub", temp.File("game/near").c_str()), 0);
    std::string refused;
    EXPECT_FALSE(sw::files::WriteBelowRoot(root, "away/victim", "x", false, &refused));
    EXPECT_EQ(refused, temp.File("game/away"));
    EXPECT_FALSE(sw::files::WriteBelowRoot(root, "sub/../../outside/victim", "x", false, &refused));
    EXPECT_EQ(ReadFileOrEmpty(victim), "victim");
    refused.clear();
    EXPECT_TRUE(sw::files::WriteBelowRoot(root, "near/in.txt", "in", false, &refused));
    EXPECT_EQ(refused, "");
    EXPECT_EQ(ReadFileOrEmpty(temp.File("game/sub/in.txt")), "in");

    // A copy and a rename are held to the same rules; a failed write keeps
    // the old file and leaves no temporary.
    EXPECT_FALSE(sw::files::CopyBelowRoot(victim, root, "away/copy", &refused));
    EXPECT_FALSE(sw::files::RenameBelowRoot(root, "sub/in.txt", "away/in.txt", &refused));
    EXPECT_TRUE(sw::files::RenameBelowRoot(root, "sub/in.txt", "sub/out.txt"));
    EXPECT_EQ(ReadFileOrEmpty(temp.File("game/sub/out.txt")), "in");
    sw::files::InjectWriteFailureAfter(1);
    EXPECT_FALSE(sw::files::WriteBelowRoot(root, "sub/out.txt", "longer", true));
    sw::files::InjectWriteFailureAfter(-1);
    EXPECT_EQ(ReadFileOrEmpty(temp.File("game/sub/out.txt")), "in");
    EXPECT_EQ(sw::files::FindFiles(temp.File("game/sub"), ".*"), std::vector<std::string>{".keep"});
}

TEST(Files, ReadsOnlyRegularFilesWithinTheirLimit) {
    TempFolder temp;
    const std::string pipe = temp.File("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::string contents = "stale";
    sw::files::ReadProblem problem = sw::files::ReadProblem::None;
    // Neither would ever end: a pipe without a writer, an endless device.
    for (const std::string& path : {pipe, std::string("/dev/zero"), temp.File("")}) {
        EXPECT_FALSE(sw::files::ReadWholeFile(path, contents, 1 << 20, &problem)) << path;
        EXPECT_EQ(problem, sw::files::ReadProblem::NotRegular);
        EXPECT_EQ(contents, "");
    }
    const std::string big = temp.Write("big", std::string(2000, 'b'));
    EXPECT_FALSE(sw::files::ReadWholeFile(big, contents, 1999, &problem));
    EXPECT_EQ(problem, sw::files::ReadProblem::TooLarge);
    EXPECT_EQ(sw::files::ReadProblemMessage(problem, big, std::uint64_t{64} << 20),
              big + " は大きすぎるため読み込みません（上限 64 MB）。");
    EXPECT_TRUE(sw::files::ReadWholeFile(big, contents, 2000, &problem));
    EXPECT_EQ(contents.size(), 2000u);
    EXPECT_FALSE(sw::files::ReadWholeFile(temp.File("none"), contents, 2000, &problem));
    EXPECT_EQ(problem, sw::files::ReadProblem::Missing);
}
