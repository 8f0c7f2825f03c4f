#include "document/Release.h"

#include "document/ScenewrightDoc.h"
#include "platform/Files.h"
#include "scenario/GameFolderSetup.h"
#include "scenario/Xp3Archive.h"
#include "support/CollectingView.h"
#include "support/SampleGameFixture.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using FileMap = std::map<std::string, std::string>; // UTF-8 relative name -> bytes

FileMap FilesBelow(const std::string& folder) {
    FileMap files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).string()] = ReadFileOrEmpty(entry.path());
    }
    return files;
}

FileMap Extracted(const std::string& archive, const std::string& folder) {
    sw::files::CreateDirectories(folder);
    sw::xp3::CArchiveReader reader;
    std::string message;
    EXPECT_TRUE(reader.Open(archive, message)) << message;
    for (const sw::xp3::Entry& entry : reader.Entries())
        EXPECT_TRUE(reader.Extract(entry, folder, message)) << message;
    return FilesBelow(folder);
}

bool Logged(const CollectingLog& log, std::string_view text) {
    for (const std::string& line : log.lines) {
        if (line.find(text) != std::string::npos)
            return true;
    }
    return false;
}

class ReleaseFixture : public SampleGameFixture {};

} // namespace

TEST(ReleaseRule, AuthoringFilesStayOutPluginsGoBesideMediaAreStored) {
    for (const char* name :
         {"sample.swo", "backup/sample-20261207-144800.swo", "Backup/x.png",
          ".sample.swo.swrecovery", "untitled.swrecovery", "system/config.bak", "system/CONFIG.TMP",
          "system/Config.~new", "system/config.~NEW", "old.xp3", "KRKR.EXE", "run.bat", "krkr.log",
          "image/.hidden.png", ".git/HEAD"}) {
        EXPECT_EQ(ReleaseRuleFor(name).place, ReleaseRule::LeftOut) << name;
        EXPECT_NE(ReleaseRuleFor(name).reason, nullptr) << name;
    }
    for (const char* name : {"placeholder_plugin.dll", "plugin/extrans.TPI"})
        EXPECT_EQ(ReleaseRuleFor(name).place, ReleaseRule::BesideEngine) << name;
    for (const char* name : {"bgimage/sky.png", "fgimage/a.JPG", "bgm/theme.ogg", "voice/v.opus"}) {
        EXPECT_EQ(ReleaseRuleFor(name).place, ReleaseRule::Archive) << name;
        EXPECT_FALSE(ReleaseRuleFor(name).compress) << name;
    }
    // Kept, and compressed: "backup" below the top, and 表 whose trail byte
    // is '\'.
    for (const char* name : {"scenario/first.ks", "system/config.tjs", "sound/chime.wav",
                             "image/backup/a.bmp", "others/表.ma", "startup.tjs"}) {
        EXPECT_EQ(ReleaseRuleFor(name).place, ReleaseRule::Archive) << name;
        EXPECT_TRUE(ReleaseRuleFor(name).compress) << name;
    }
}

TEST_F(ReleaseFixture, TheSampleExtractsToExactlyTheGameFilesTheEngineNeeds) {
    const std::vector<std::string> authoring = {"sample.swo",
                                                "backup/sample-20261207-144800.swo",
                                                ".sample.swo.swrecovery",
                                                "system/Config.~new",
                                                "run.bat",
                                                "krkr.log",
                                                "old.xp3",
                                                "KRKR.EXE"};
    for (const std::string& name : authoring)
        temp.Write("game/" + name, "authoring side");
    temp.Write("game/others/台詞メモ.txt", "ソ表能");
    const std::string out = temp.File("release/new"); // made as it is missing
    ASSERT_EQ(ReleaseProject(doc, out, ""), 0);

    FileMap expected = FilesBelow(game);
    for (const std::string& name : authoring) {
        ASSERT_EQ(expected.erase(name), 1u) << name;
        EXPECT_TRUE(Logged(log, name + " は入れません")) << name;
    }
    ASSERT_EQ(expected.erase("system/config.bak"), 1u);
    ASSERT_EQ(expected.erase("placeholder_plugin.dll"), 1u);
    EXPECT_TRUE(expected.count("scenario/first.ks") && expected.count("system/config.tjs") &&
                expected.count(reinterpret_cast<const char*>(u8"others/台詞メモ.txt")));
    EXPECT_EQ(Extracted(out + "/data.xp3", temp.File("extracted")), expected);
    FileMap beside = FilesBelow(out);
    EXPECT_EQ(beside.size(), 2u); // no partial archive left
    EXPECT_EQ(beside["placeholder_plugin.dll"], ReadFileOrEmpty(game + "/placeholder_plugin.dll"));
    EXPECT_TRUE(Logged(log, "scenario/first.ks を圧縮して格納"));
    EXPECT_TRUE(Logged(log, "bgimage/sky.png を格納"));
    EXPECT_TRUE(Logged(log, "ok: リリース: " + std::to_string(expected.size()) + " ファイル"));
    EXPECT_EQ(log.CountOf("error: "), 0);
}

TEST_F(ReleaseFixture, TwoReleasesAreByteIdenticalWhateverTheTimes) {
    ASSERT_EQ(ReleaseProject(doc, temp.File("one"), ""), 0);
    for (const auto& entry : fs::recursive_directory_iterator(game))
        fs::last_write_time(entry.path(),
                            fs::file_time_type::clock::now() - std::chrono::hours(50));
    ASSERT_EQ(ReleaseProject(doc, temp.File("two"), ""), 0);
    const std::string first = ReadFileOrEmpty(temp.File("one/data.xp3"));
    EXPECT_GT(first.size(), 1000u);
    EXPECT_TRUE(first == ReadFileOrEmpty(temp.File("two/data.xp3")));
}

TEST_F(ReleaseFixture, FailedBuildOrUnusableFolderWritesNoArchive) {
    sw::files::RemoveFile(game + "/system/config.tjs");
    EXPECT_EQ(ReleaseProject(doc, temp.File("out"), ""), SwBuildStatus::ConfigUnreadable);
    EXPECT_FALSE(sw::files::FileExists(temp.File("out/data.xp3")));
    EXPECT_FALSE(Logged(log, "リリース開始"));

    ASSERT_TRUE(SetUpGameFolder(doc, game, ""));
    EXPECT_EQ(ReleaseProject(doc, game, ""), 1);
    EXPECT_TRUE(Logged(log, "はゲームフォルダそのものです"));
    EXPECT_FALSE(sw::files::FileExists(game + "/data.xp3"));

    // Released into a folder of the game folder, it does not pack itself.
    ASSERT_EQ(ReleaseProject(doc, game + "/dist", ""), 0);
    ASSERT_EQ(ReleaseProject(doc, game + "/dist", ""), 0);
    EXPECT_TRUE(Logged(log, "dist/ は入れません（リリース先）"));
    EXPECT_EQ(Extracted(game + "/dist/data.xp3", temp.File("x")).count("dist/data.xp3"), 0u);
}

TEST_F(ReleaseFixture, TheEngineAndItsPluginsAreCopiedBeside) {
    temp.Write("windows/KrKr.eXe", "MZ\x90 the Windows engine");
    temp.Write("windows/extrans.tpi", "tpi");
    temp.Write("windows/wuvorbis.DLL", "dll");
    temp.Write("windows/readme.txt", "not a plugin");
    ASSERT_TRUE(doc.SetEnginePath(temp.File("windows")));
    ASSERT_EQ(ReleaseProject(doc, temp.File("win"), ""), 0) << log.lines.back();
    for (const char* name : {"KrKr.eXe", "extrans.tpi", "wuvorbis.DLL", "data.xp3"})
        EXPECT_TRUE(sw::files::FileExists(temp.File(std::string("win/") + name))) << name;
    EXPECT_FALSE(sw::files::FileExists(temp.File("win/readme.txt")));

    const std::string native = temp.Write("native/krkrsdl2", ReadFileOrEmpty(SW_STANDIN_ENGINE));
    ASSERT_EQ(::chmod(native.c_str(), 0755), 0);
    ASSERT_EQ(ReleaseProject(doc, temp.File("linux"), native), 0);
    struct stat info;
    ASSERT_EQ(::stat(temp.File("linux/krkrsdl2").c_str(), &info), 0);
    EXPECT_TRUE(info.st_mode & S_IXUSR);
    EXPECT_EQ(ReadFileOrEmpty(temp.File("linux/krkrsdl2")), ReadFileOrEmpty(native));

    EXPECT_EQ(ReleaseProject(doc, temp.File("none"), temp.File("no-engine-here")), 1);
    EXPECT_TRUE(Logged(log, "吉里吉里の実行ファイルが"));
    EXPECT_FALSE(sw::files::FileExists(temp.File("none/data.xp3")));
}
